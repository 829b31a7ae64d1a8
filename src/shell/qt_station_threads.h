#pragma once

// How work from other threads reaches the user-interface thread: the virtual
// reader's glass watcher and the serial port's event thread post here. Every
// task runs through the station's dispatch, so what it throws reaches the
// default error display and the program goes on.

#include "reader/virtual/ui_dispatcher.h"
#include "serial/main_thread.h"
#include "shell/station.h"

#include <QObject>

namespace readerlink::shell {

class QtStationThreads : public virtualreader::UiDispatcher, public serial::MainThread {
public:
    // Lives on the GUI thread; tasks still queued when it goes are dropped.
    explicit QtStationThreads(Station& station);
    ~QtStationThreads() override;

    void post(std::function<void()> task, std::chrono::milliseconds delay) override;
    void post(std::function<void()> task) override;

private:
    Station& station_;
    QObject context_;
};

} // namespace readerlink::shell
