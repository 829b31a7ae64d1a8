#pragma once

// The user-interface thread of a test: tasks wait in a queue on a virtual
// clock until the test runs them. Posting is thread-safe, so the glass
// watcher's thread can post while the test waits for it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "common/ui_thread.h"

namespace readerlink::virtualreader::testing {

class ManualDispatcher : public UiThread {
public:
    void post(std::function<void()> task, std::chrono::milliseconds delay) override {
        std::lock_guard lock(mutex_);
        queue_.emplace(std::make_pair(now_ + delay, sequence_++), std::move(task));
        ++posted_;
        changed_.notify_all();
    }

    // Runs every task due now, including those they post with no delay.
    int runDue() {
        int ran = 0;
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty() || queue_.begin()->first.first > now_)
                    return ran;
                task = std::move(queue_.begin()->second);
                queue_.erase(queue_.begin());
            }
            task();
            ++ran;
        }
    }

    void advance(std::chrono::milliseconds by) {
        {
            std::lock_guard lock(mutex_);
            now_ += by;
        }
        runDue();
    }

    // Blocks until `count` more tasks than `since` were posted (from any
    // thread), or the real-time limit passes; true when they were.
    bool waitForPosts(std::size_t since, std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return posted_ >= since + count; });
    }

    std::size_t posted() const {
        std::lock_guard lock(mutex_);
        return posted_;
    }

    std::size_t pending() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::chrono::milliseconds now_{0};
    std::uint64_t sequence_ = 0;
    std::size_t posted_ = 0;
    std::map<std::pair<std::chrono::milliseconds, std::uint64_t>, std::function<void()>> queue_;
};

} // namespace readerlink::virtualreader::testing
