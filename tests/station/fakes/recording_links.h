#pragma once

// Subsystem links that record the calls the station makes, in one shared
// order, and can run a test's action inside a call.

#include "station/station_links.h"

#include <functional>
#include <string>
#include <vector>

namespace readerlink::station::testing {

struct CallLog {
    std::vector<std::string> calls;
    // Runs inside every call, after it is recorded.
    std::function<void(const std::string&)> during;

    void record(const std::string& call) {
        calls.push_back(call);
        if (during)
            during(call);
    }
};

class RecordingReader : public PassportReaderLink {
public:
    explicit RecordingReader(CallLog& log) : log_(log) {}
    void connect() override { log_.record("reader.connect"); }
    void captureAndRead() override { log_.record("reader.read"); }

private:
    CallLog& log_;
};

class RecordingSerial : public SerialReaderLink {
public:
    explicit RecordingSerial(CallLog& log) : log_(log) {}
    void connect() override { log_.record("serial.connect"); }
    void closePort() override { log_.record("serial.close"); }
    void bufferTimerExpired() override { log_.record("serial.buffer"); }

private:
    CallLog& log_;
};

class RecordingDelivery : public DeliveryLink {
public:
    explicit RecordingDelivery(CallLog& log) : log_(log) {}
    void sendDataToApp() override { log_.record("sendDataToApp"); }

private:
    CallLog& log_;
};

} // namespace readerlink::station::testing
