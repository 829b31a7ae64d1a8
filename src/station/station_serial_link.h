#pragma once

// The serial MRZ readers behind the window: the COM port set up for an MRZ
// reader and the channel that gathers its bursts into ScanData.

#include "serial/comport.h"
#include "serial/serial_channel.h"
#include "station/station.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace readerlink::station {

// The [Ports] section of the settings as a port mapping, read at each open, so
// a port mapped by hand while the station runs counts.
std::function<std::optional<std::string>(const std::u16string& portName)>
portsSection(Station& station);

class StationSerialLink : public SerialReaderLink {
public:
    // `mainThread` must outlive the link.
    StationSerialLink(Station& station, std::unique_ptr<serial::SerialDeviceFactory> devices,
                      UiThread& mainThread);
    ~StationSerialLink() override;

    void connect() override;
    void closePort() override {
        replug_.cancel();
        port_.Close();
    }
    void bufferTimerExpired() override { channel_.BufferTimerTimer(); }

private:
    Station& station_;
    std::unique_ptr<serial::SerialDeviceFactory> devices_;
    serial::ComPort port_;
    serial::SerialChannel channel_;
    serial::PortReplug replug_;
};

} // namespace readerlink::station
