#pragma once

#include "delivery/host_data_record.h"
#include "delivery/window_id.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace readerlink {

enum class HostDelivery {
    Answered, // the host took the record and answered
    NoAnswer, // the record went out; the host did not answer within the bound
    Closed,   // the record went out; the host closed or reset before answering
    NoHost,   // no host application is running
    NotSent,  // a host was there but the record did not reach it
    Unsafe,   // the host's place could be taken by someone else; not tried
};

struct HostSendResult {
    HostSendResult(HostDelivery outcome = HostDelivery::NoHost, std::int64_t answer = 0,
                   std::u16string problem = {})
        : outcome(outcome), answer(answer), problem(std::move(problem)) {}

    HostDelivery outcome;
    std::int64_t answer;    // the host's answer when Answered
    std::u16string problem; // why, when Unsafe
};

// The road to the host application (window class "TBarcodeForm", title
// "BarcodeForm"). One call is one delivery: find the host, hand it the record
// with the sender's window id, and wait for its answer no longer than the
// backend's bound, so a stuck host cannot hold the station.
class HostLink {
public:
    virtual ~HostLink() = default;
    virtual HostSendResult send(WindowId sender, const HostRecordBytes& record) = 0;
};

} // namespace readerlink
