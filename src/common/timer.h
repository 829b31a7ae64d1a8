#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace readerlink {

// A window timer: fires its handler on the user-interface thread every
// interval while active. Each window backs it with its own timers; tests fire it by hand.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start() = 0; // no effect on the countdown when already active
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual void setHandler(std::function<void()> onExpiry) = 0;
};

// Makes the window's timers, stopped, with their interval fixed.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) = 0;
};

} // namespace readerlink
