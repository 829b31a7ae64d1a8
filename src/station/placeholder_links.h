#pragma once

// Stand-ins until the reader, serial and delivery subsystems are wired in:
// they say in the log that the part is missing and never pretend to work.

#include "common/activity_log.h"
#include "station/station_links.h"

namespace readerlink::station {

inline constexpr std::u16string_view kReaderNotAvailable =
    u"The passport reader is not available yet";
inline constexpr std::u16string_view kSerialNotAvailable =
    u"The serial reader channel is not available yet";
inline constexpr std::u16string_view kDeliveryNotAvailable =
    u"Delivery to the target application is not available yet; nothing was sent";

class PlaceholderPassportReader : public PassportReaderLink {
public:
    explicit PlaceholderPassportReader(ActivityLog& log) : log_(log) {}
    void connect() override { log_.logStatus(kReaderNotAvailable); }
    void captureAndRead() override { log_.logStatus(kReaderNotAvailable); }

private:
    ActivityLog& log_;
};

class PlaceholderSerialReader : public SerialReaderLink {
public:
    explicit PlaceholderSerialReader(ActivityLog& log) : log_(log) {}
    void connect() override { log_.logStatus(kSerialNotAvailable); }
    void closePort() override {}          // nothing was opened
    void bufferTimerExpired() override {} // nothing was gathered

private:
    ActivityLog& log_;
};

class PlaceholderDelivery : public DeliveryLink {
public:
    explicit PlaceholderDelivery(ActivityLog& log) : log_(log) {}
    void sendDataToApp() override { log_.log(kDeliveryNotAvailable); }

private:
    ActivityLog& log_;
};

} // namespace readerlink::station
