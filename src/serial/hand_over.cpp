#include "serial/hand_over.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace readerlink::serial {

struct HandOver::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> pending; // set while the worker is blocked
    bool done = false;
    std::exception_ptr error;
    bool finished = false;

    bool runPending() {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex);
            if (!pending)
                return false;
            work = std::move(pending);
            pending = nullptr;
        }
        std::exception_ptr thrown;
        try {
            work();
        } catch (...) {
            thrown = std::current_exception();
        }
        {
            std::lock_guard lock(mutex);
            error = thrown;
            done = true;
        }
        changed.notify_all();
        return true;
    }
};

HandOver::HandOver(UiThread& mainThread)
    : mainThread_(mainThread), state_(std::make_shared<State>()) {}

HandOver::~HandOver() = default;

std::exception_ptr HandOver::run(std::function<void()> work) {
    {
        std::lock_guard lock(state_->mutex);
        state_->pending = std::move(work);
        state_->done = false;
        state_->error = nullptr;
    }
    state_->changed.notify_all(); // a main thread waiting for the worker runs it
    // The posted task may outlive this object; it then finds nothing to run.
    mainThread_.post([state = state_] { state->runPending(); });
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [&] { return state_->done; });
    return std::exchange(state_->error, nullptr);
}

void HandOver::finished() {
    {
        std::lock_guard lock(state_->mutex);
        state_->finished = true;
    }
    state_->changed.notify_all();
}

bool HandOver::runPending() {
    return state_->runPending();
}

void HandOver::waitUntilFinished() {
    for (;;) {
        {
            std::unique_lock lock(state_->mutex);
            state_->changed.wait(lock, [&] { return state_->finished || state_->pending; });
            if (!state_->pending)
                return;
        }
        state_->runPending();
    }
}

} // namespace readerlink::serial
