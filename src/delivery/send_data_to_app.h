#pragma once

#include "common/activity_log.h"
#include "common/ui_thread.h"
#include "delivery/delivery_target.h"
#include "delivery/host_courier.h"
#include "delivery/host_link.h"

#include <functional>
#include <memory>
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
    // Records go to the host on the calling thread, which waits for each.
    DeliveryDispatcher(std::u16string& scanData, const DeliveryTarget& target,
                       KeystrokeSender sendKeys, HostLink& host, ActivityLog& log);
    // Records go to the host through a HostCourier: the calling thread never
    // waits for the host, and outcomes are logged through `uiThread`.
    DeliveryDispatcher(std::u16string& scanData, const DeliveryTarget& target,
                       KeystrokeSender sendKeys, HostLink& host, ActivityLog& log,
                       UiThread& uiThread);

    // "Direct": ScanData is rewritten with its keystroke form and typed with
    // Enter, unless it holds "@". Otherwise ScanData goes unchanged to the host
    // application as one record, taken as it is at the call.
    void SendDataToApp();

private:
    void typeKeys();
    void sendToHost();

    std::u16string& scanData_;
    const DeliveryTarget& target_;
    KeystrokeSender sendKeys_;
    HostLink& host_;
    ActivityLog& log_;
    std::unique_ptr<HostCourier> courier_;
};

} // namespace readerlink
