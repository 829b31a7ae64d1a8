#pragma once

// The station's links before the subsystems are wired in (and in tests that
// leave one out): each says in the log that the part is missing and never
// pretends to work.

#include "common/activity_log.h"
#include "station/station_links.h"

namespace readerlink::station {

inline constexpr std::u16string_view kNoPassportReader = u"No passport reader";
inline constexpr std::u16string_view kNoSerialReader = u"No serial reader";
inline constexpr std::u16string_view kNoDelivery = u"No target application; nothing was sent";

class NoPassportReader : public PassportReaderLink {
public:
    explicit NoPassportReader(ActivityLog& log) : log_(log) {}
    void connect() override { log_.logStatus(kNoPassportReader); }
    void captureAndRead() override { log_.logStatus(kNoPassportReader); }

private:
    ActivityLog& log_;
};

class NoSerialReader : public SerialReaderLink {
public:
    explicit NoSerialReader(ActivityLog& log) : log_(log) {}
    void connect() override { log_.logStatus(kNoSerialReader); }
    void closePort() override {}          // nothing was opened
    void bufferTimerExpired() override {} // nothing was gathered

private:
    ActivityLog& log_;
};

class NoDelivery : public DeliveryLink {
public:
    explicit NoDelivery(ActivityLog& log) : log_(log) {}
    void sendDataToApp() override { log_.log(kNoDelivery); }

private:
    ActivityLog& log_;
};

} // namespace readerlink::station
