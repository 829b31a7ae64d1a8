#include "station/station_delivery_link.h"

#include "delivery/sendkeys.h"

namespace readerlink::station {

StationDeliveryLink::StationDeliveryLink(Station& station, DeliveryLinkParts parts)
    : station_(station), parts_(std::move(parts)) {
    const DeliveryTarget& target = *this;
    KeystrokeSender typing = [this](std::u16string_view keys, bool pump) {
        return typeKeys(keys, pump);
    };
    if (parts_.uiThread)
        dispatcher_ = std::make_unique<DeliveryDispatcher>(
            station.scanData(), target, std::move(typing), *parts_.host, station, *parts_.uiThread);
    else
        dispatcher_ = std::make_unique<DeliveryDispatcher>(
            station.scanData(), target, std::move(typing), *parts_.host, station);
}

bool StationDeliveryLink::typeKeys(std::u16string_view keys, bool pumpMessages) {
    if (parts_.keyboard)
        return SendKeys(*parts_.keyboard, keys, pumpMessages);
    // The text goes into the log so that the read is not lost.
    station_.log(u"Typing is unavailable (" + parts_.noKeyboardReason + u"), data not typed: " +
                 station_.scanData());
    return false;
}

} // namespace readerlink::station
