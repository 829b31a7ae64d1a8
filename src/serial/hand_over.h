#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "common/ui_thread.h"

namespace readerlink::serial {

// The synchronous hand-over of one worker thread to the main thread: the
// worker blocks until the main thread has run its work. Whoever waits for the
// worker on the main thread keeps running its hand-overs, so neither side can
// wait for the other forever.
class HandOver {
public:
    explicit HandOver(UiThread& mainThread);
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Worker side: returns once the main thread ran `work`, with what it threw.
    std::exception_ptr run(std::function<void()> work);
    // Worker side: the last thing the worker does.
    void finished();

    // Main side: runs a queued hand-over; false when none was queued.
    bool runPending();
    // Main side: returns when the worker has finished, running its hand-overs meanwhile.
    void waitUntilFinished();

private:
    struct State;
    UiThread& mainThread_;
    std::shared_ptr<State> state_;
};

} // namespace readerlink::serial
