#pragma once

#include "common/activity_log.h"
#include "delivery/delivery_target.h"
#include "delivery/host_link.h"

#include <functional>
#include <string>
#include <string_view>

namespace readerlink {

// Types a key string into the focused window; the shell binds it to SendKeys.
// Its errors (a bad repeat count) pass through the dispatcher to its caller.
using KeystrokeSender = std::function<bool(std::u16string_view keys, bool pumpMessages)>;

// The one exit through which every text reaches the target application.
// Producers put their text into the station's ScanData and call SendDataToApp.
class DeliveryDispatcher {
public:
    DeliveryDispatcher(std::u16string& scanData, const DeliveryTarget& target,
                       KeystrokeSender sendKeys, HostLink& host, ActivityLog& log);

    // "Direct": ScanData is rewritten with its keystroke form and typed with
    // Enter, unless it holds "@". Otherwise ScanData goes unchanged to the host
    // application as one record.
    void SendDataToApp();

private:
    void typeKeys();
    void sendToHost();

    std::u16string& scanData_;
    const DeliveryTarget& target_;
    KeystrokeSender sendKeys_;
    HostLink& host_;
    ActivityLog& log_;
};

} // namespace readerlink
