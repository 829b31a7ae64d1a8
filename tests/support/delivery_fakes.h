#pragma once

#include "support/recording_log.h"
#include "delivery/delivery_target.h"
#include "delivery/host_link.h"

#include <string>
#include <string_view>
#include <vector>

namespace readerlink::testing {

struct KeystrokeCall {
    std::u16string keys;
    bool pumpMessages = false;
    bool operator==(const KeystrokeCall&) const = default;
};

// Bound in place of SendKeys.
class RecordingKeystrokes {
public:
    bool operator()(std::u16string_view keys, bool pumpMessages) {
        calls.push_back({std::u16string(keys), pumpMessages});
        return result;
    }
    std::vector<KeystrokeCall> calls;
    bool result = true;
};

struct HostSend {
    WindowId sender = 0;
    HostRecordBytes record{};
};

class RecordingHostLink : public HostLink {
public:
    HostSendResult send(WindowId sender, const HostRecordBytes& record) override {
        sends.push_back({sender, record});
        return result;
    }
    std::vector<HostSend> sends;
    HostSendResult result{HostDelivery::Answered, 1};
};

class FakeTarget : public DeliveryTarget {
public:
    int selectedApplication() const override { return application; }
    bool sendTwoLines() const override { return twoLines; }
    WindowId mainWindowId() const override { return windowId; }
    int application = 0;
    bool twoLines = false;
    WindowId windowId = 0x4A00007;
};

} // namespace readerlink::testing
