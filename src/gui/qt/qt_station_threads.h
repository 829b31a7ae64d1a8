#pragma once

// How work from other threads reaches the user-interface thread: the virtual
// reader's glass watcher and the serial port's event thread post here. Every
// task runs through the station's dispatch, so what it throws reaches the
// default error display and the program goes on.

#include "common/ui_thread.h"
#include "station/station.h"

#include <QObject>

namespace readerlink::gui {

class QtStationThreads : public UiThread {
public:
    // Lives on the GUI thread; tasks still queued when it goes are dropped.
    explicit QtStationThreads(station::Station& station);
    ~QtStationThreads() override;

    void post(std::function<void()> task, std::chrono::milliseconds delay) override;
    using UiThread::post;

private:
    station::Station& station_;
    QObject context_;
};

} // namespace readerlink::gui
