#pragma once

// Serial devices through the Windows comm API: "COMn" opened overlapped, so
// one thread can wait for port events while another reads and configures.

#include "serial/serial_device.h"

#include <memory>

namespace readerlink::platform {

std::unique_ptr<serial::SerialDeviceFactory> makeCommSerialDeviceFactory();

} // namespace readerlink::platform
