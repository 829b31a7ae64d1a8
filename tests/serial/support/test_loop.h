#pragma once

// A headless stand-in for the window's message loop: it runs what other
// threads post and fires real-time timers, on the thread that calls run*.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "common/timer.h"
#include "common/ui_thread.h"

namespace readerlink::testing {

class TestLoop : public UiThread {
public:
    using Clock = std::chrono::steady_clock;

    using UiThread::post;
    // The serial port hands over at once and never asks for a delay.
    void post(std::function<void()> task, std::chrono::milliseconds delay) override {
        if (delay.count() > 0)
            throw std::logic_error("TestLoop: delayed posts are not supported");
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
            ++postedTotal_;
        }
        changed_.notify_all();
    }

    // Runs posted tasks and due timers until `done` holds or `limit` passes.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() >= deadline)
                return false;
            runOnce(deadline);
        }
        return true;
    }

    // Waits, without running anything, until a task has been posted.
    bool waitForPosted(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return !tasks_.empty(); });
    }

    std::size_t pending() const {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

    std::size_t postedTotal() const {
        std::lock_guard lock(mutex_);
        return postedTotal_;
    }

    // A window timer of `interval` that fires from this loop.
    std::unique_ptr<Timer> makeTimer(std::chrono::milliseconds interval);

private:
    class LoopTimer;
    friend class LoopTimer;

    void runOnce(Clock::time_point deadline) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            const auto wakeAt = std::min(deadline, nextTimerDue());
            changed_.wait_until(lock, wakeAt, [&] { return !tasks_.empty(); });
            if (!tasks_.empty()) {
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
        }
        if (task) {
            task();
            return;
        }
        fireDueTimers();
    }

    Clock::time_point nextTimerDue() const;
    void fireDueTimers();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    std::size_t postedTotal_ = 0;
    std::vector<LoopTimer*> timers_; // loop thread only
};

class TestLoop::LoopTimer : public Timer {
public:
    LoopTimer(TestLoop& loop, std::chrono::milliseconds interval) : loop_(loop), interval_(interval) {
        loop_.timers_.push_back(this);
    }
    ~LoopTimer() override {
        std::erase(loop_.timers_, this);
    }
    void start() override {
        if (active_)
            return;
        active_ = true;
        due_ = Clock::now() + interval_;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

    TestLoop& loop_;
    std::chrono::milliseconds interval_;
    bool active_ = false;
    Clock::time_point due_{};
    std::function<void()> handler_;
};

inline std::unique_ptr<Timer> TestLoop::makeTimer(std::chrono::milliseconds interval) {
    return std::make_unique<LoopTimer>(*this, interval);
}

inline TestLoop::Clock::time_point TestLoop::nextTimerDue() const {
    auto next = Clock::time_point::max();
    for (const LoopTimer* t : timers_)
        if (t->active_)
            next = std::min(next, t->due_);
    return next;
}

inline void TestLoop::fireDueTimers() {
    const auto now = Clock::now();
    for (LoopTimer* t : std::vector<LoopTimer*>(timers_)) {
        if (t->active_ && t->due_ <= now) {
            t->due_ += t->interval_;
            if (t->handler_)
                t->handler_();
        }
    }
}

} // namespace readerlink::testing
