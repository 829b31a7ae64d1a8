#include "delivery/send_data_to_app.h"

#include "common/station_choices.h"
#include "delivery/host_data_record.h"
#include "delivery/keystroke_text.h"

#include <utility>

namespace readerlink {

DeliveryDispatcher::DeliveryDispatcher(std::u16string& scanData, const DeliveryTarget& target,
                                       KeystrokeSender sendKeys, HostLink& host, ActivityLog& log)
    : scanData_(scanData), target_(target), sendKeys_(std::move(sendKeys)), host_(host), log_(log) {
}

DeliveryDispatcher::DeliveryDispatcher(std::u16string& scanData, const DeliveryTarget& target,
                                       KeystrokeSender sendKeys, HostLink& host, ActivityLog& log,
                                       UiThread& uiThread)
    : DeliveryDispatcher(scanData, target, std::move(sendKeys), host, log) {
    courier_ = std::make_unique<HostCourier>(host, uiThread, log);
}

void DeliveryDispatcher::SendDataToApp() {
    if (TargetChoice{target_.selectedApplication()}.isTyping())
        typeKeys();
    else
        sendToHost();
}

void DeliveryDispatcher::typeKeys() {
    scanData_ = keystrokeText(scanData_, target_.sendTwoLines());
    // Notifications and the field record begin with "@": they are for the
    // host application only and must never land in someone's form.
    if (scanData_.find(u'@') != std::u16string::npos)
        return;
    // The engine reports its own failures; whether the whole string was
    // processed changes nothing here.
    (void)sendKeys_(scanData_ + u"{ENTER}", true);
}

void DeliveryDispatcher::sendToHost() {
    const HostRecordBytes record = encodeHostDataRecord(scanData_);
    if (courier_)
        courier_->deliver(target_.mainWindowId(), record, scanData_);
    else
        logHostDelivery(log_, host_.send(target_.mainWindowId(), record), scanData_);
}

} // namespace readerlink
