#pragma once

// The user-interface thread as other threads see it: the serial port's event
// thread and the virtual reader's glass watcher hand their work over here,
// since every event must be raised on the thread that owns the window. Each
// window backs it with its own message loop; tests run the tasks by hand.

#include <chrono>
#include <functional>

namespace readerlink {

class UiThread {
public:
    virtual ~UiThread() = default;

    // Callable from any thread; returns at once. `task` runs on the
    // user-interface thread from its message loop once `delay` has passed;
    // tasks due at the same time run in the order they were posted. A task may
    // find nothing left to do; what it throws reaches the program's default
    // error display and the program goes on.
    virtual void post(std::function<void()> task, std::chrono::milliseconds delay) = 0;

    void post(std::function<void()> task) { post(std::move(task), std::chrono::milliseconds{0}); }
};

} // namespace readerlink
