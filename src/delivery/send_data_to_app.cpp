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
    const HostSendResult result = host_.send(target_.mainWindowId(), record);
    switch (result.outcome) {
    case HostDelivery::Answered:
        log_.log(u"Data sent " + scanData_);
        break;
    // Only an answer shows the host took the record; without one the text
    // goes into the log so that the read is not lost.
    case HostDelivery::NoAnswer:
        log_.log(u"Host application did not answer in time, data not confirmed: " + scanData_);
        break;
    case HostDelivery::Closed:
        log_.log(u"Host application closed the connection without answering, data not "
                 u"confirmed: " +
                 scanData_);
        break;
    case HostDelivery::NoHost:
        // The text goes into the log so that the read is not lost.
        log_.log(u"No host application found, data not sent: " + scanData_);
        break;
    case HostDelivery::NotSent:
        log_.log(u"Host application did not take the data, data not sent: " + scanData_);
        break;
    }
}

} // namespace readerlink
