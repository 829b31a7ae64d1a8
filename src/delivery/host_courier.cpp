#include "delivery/host_courier.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

namespace readerlink {

void logHostDelivery(ActivityLog& log, const HostSendResult& result, std::u16string_view text) {
    const std::u16string t(text);
    switch (result.outcome) {
    case HostDelivery::Answered:
        log.log(u"Data sent " + t);
        break;
    // Only an answer shows the host took the record.
    case HostDelivery::NoAnswer:
        log.log(u"Host application did not answer in time, data not confirmed: " + t);
        break;
    case HostDelivery::Closed:
        log.log(u"Host application closed the connection without answering, data not "
                u"confirmed: " +
                t);
        break;
    case HostDelivery::NoHost:
        log.log(u"No host application found, data not sent: " + t);
        break;
    case HostDelivery::NotSent:
        log.log(u"Host application did not take the data, data not sent: " + t);
        break;
    case HostDelivery::Unsafe:
        log.log(u"Host socket folder is not private (" + result.problem + u"), data not sent: " +
                t);
        break;
    }
}

struct HostCourier::State {
    struct Parcel {
        WindowId sender = 0;
        HostRecordBytes record{};
        std::u16string text;
    };
    struct Outcome {
        HostSendResult result;
        std::u16string text;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Parcel> waiting;
    std::deque<Outcome> done;
    bool closing = false;
    // Touched on the user-interface thread only; null once the courier is gone,
    // so a log task that runs after that finds nothing to do.
    ActivityLog* log = nullptr;

    void logDone() {
        std::deque<Outcome> outcomes;
        {
            std::lock_guard lock(mutex);
            outcomes.swap(done);
        }
        if (log != nullptr)
            for (const Outcome& o : outcomes)
                logHostDelivery(*log, o.result, o.text);
    }
};

HostCourier::HostCourier(HostLink& host, UiThread& uiThread, ActivityLog& log)
    : host_(host), uiThread_(uiThread), state_(std::make_shared<State>()) {
    state_->log = &log;
    thread_ = std::thread([this] { deliverQueued(); });
}

HostCourier::~HostCourier() {
    {
        std::lock_guard lock(state_->mutex);
        state_->closing = true;
    }
    state_->wake.notify_all();
    thread_.join();
    state_->logDone();
    state_->log = nullptr;
}

void HostCourier::deliver(WindowId sender, const HostRecordBytes& record, std::u16string text) {
    {
        std::lock_guard lock(state_->mutex);
        state_->waiting.push_back({sender, record, std::move(text)});
    }
    state_->wake.notify_all();
}

void HostCourier::deliverQueued() {
    std::unique_lock lock(state_->mutex);
    for (;;) {
        state_->wake.wait(lock, [&] { return state_->closing || !state_->waiting.empty(); });
        if (state_->waiting.empty())
            return;
        State::Parcel parcel = std::move(state_->waiting.front());
        state_->waiting.pop_front();
        lock.unlock();
        const HostSendResult result = host_.send(parcel.sender, parcel.record);
        lock.lock();
        state_->done.push_back({result, std::move(parcel.text)});
        lock.unlock();
        uiThread_.post([state = state_] { state->logDone(); });
        lock.lock();
    }
}

} // namespace readerlink
