#pragma once

// How the virtual reader reaches the user-interface thread: its glass watcher
// runs on a thread of its own, and every event must be raised on the thread
// that owns the controls. The shell backs this with its event loop; tests
// with a queue they run by hand on a virtual clock.

#include <chrono>
#include <functional>

namespace readerlink::virtualreader {

class UiDispatcher {
public:
    virtual ~UiDispatcher() = default;

    // Thread-safe. Runs `task` on the user-interface thread once `delay` has
    // passed; tasks due at the same time run in the order they were posted.
    // A task may throw: the dispatcher hands the error to the program's
    // default error display and goes on.
    virtual void post(std::function<void()> task, std::chrono::milliseconds delay) = 0;
};

} // namespace readerlink::virtualreader
