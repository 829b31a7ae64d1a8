#pragma once

// The serial MRZ readers behind the window: the COM port set up for an MRZ
// reader and the channel that gathers its bursts into ScanData.

#include "serial/comport.h"
#include "serial/serial_channel.h"
#include "shell/station.h"

#include <memory>

namespace readerlink::shell {

class StationSerialLink : public SerialReaderLink {
public:
    // `mainThread` must outlive the link.
    StationSerialLink(Station& station, std::unique_ptr<serial::SerialDeviceFactory> devices,
                      serial::MainThread& mainThread);
    ~StationSerialLink() override;

    void connect() override;
    void closePort() override { port_.Close(); }
    void bufferTimerExpired() override { channel_.BufferTimerTimer(); }

private:
    Station& station_;
    std::unique_ptr<serial::SerialDeviceFactory> devices_;
    serial::ComPort port_;
    serial::SerialChannel channel_;
};

} // namespace readerlink::shell
