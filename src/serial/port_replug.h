#pragma once

// A USB-serial reader that is unplugged and plugged in again: the dead device
// is closed at once, and the port opens by itself when its device is back.

#include "common/activity_log.h"
#include "common/ui_thread.h"
#include "serial/comport.h"
#include "serial/serial_device.h"

#include <memory>
#include <string>

namespace readerlink::serial {

class PortReplug {
public:
    // Everything passed must outlive this object; all calls on the main thread.
    PortReplug(ComPort& port, SerialDeviceFactory& devices, UiThread& mainThread, ActivityLog& log);
    ~PortReplug();
    PortReplug(const PortReplug&) = delete;
    PortReplug& operator=(const PortReplug&) = delete;

    // The port's device hung up; called during the hand-over that said so.
    // Closes the port once that hand-over is over, logs it and watches for
    // the device to come back.
    void deviceGone(const std::u16string& reason);
    // Someone else opens or closes the port from now on ("Connect", close):
    // nothing is closed or reopened from here.
    void cancel();

private:
    void closeAndWatch(unsigned generation, const std::u16string& reason);
    void reopen();

    ComPort& port_;
    SerialDeviceFactory& devices_;
    UiThread& mainThread_;
    ActivityLog& log_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0); // posted tasks check it
    unsigned generation_ = 0;
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace readerlink::serial
