#pragma once

#include <functional>

namespace readerlink::serial {

// The user-interface thread as another thread sees it. The window implements
// it (a queued call into its message loop); tests run the tasks by hand.
class MainThread {
public:
    virtual ~MainThread() = default;
    // Callable from any thread; returns at once. `task` runs later on the main
    // thread from its message loop. A task may find nothing left to do.
    virtual void post(std::function<void()> task) = 0;
};

} // namespace readerlink::serial
