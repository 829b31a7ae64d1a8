#pragma once

// Timers that fire only when a test says so.

#include "common/timer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace readerlink::testing {

class ManualTimer : public Timer {
public:
    explicit ManualTimer(std::chrono::milliseconds interval = {}) : interval(interval) {}

    void start() override {
        if (active_)
            ++restarts;
        else
            ++countdowns;
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

    // One expiry, as the message loop delivers it: only while active.
    void fire() {
        if (active_ && handler_)
            handler_();
    }

    const std::chrono::milliseconds interval;
    int countdowns = 0; // times a countdown began
    // start() on an active timer. The countdown goes on here, as the Timer
    // contract says, but a backend that restarts (as a bare QTimer does) would
    // begin it again: code that must not move a running countdown checks this.
    int restarts = 0;

private:
    bool active_ = false;
    std::function<void()> handler_;
};

class ManualTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) override {
        auto timer = std::make_unique<ManualTimer>(interval);
        created.push_back(timer.get());
        return timer;
    }
    std::vector<ManualTimer*> created;
};

} // namespace readerlink::testing
