#pragma once

#include <memory>

#include "platform/linux/com_port_paths.h"
#include "platform/linux/tty_line_signals.h"
#include "serial/serial_device.h"

namespace readerlink::platform {

// Serial devices on a POSIX terminal driver. Names map to paths by
// `paths`; `signals` answers for modem lines and line-error counters
// (nullptr: the driver's own).
std::unique_ptr<serial::SerialDeviceFactory>
makePosixSerialDeviceFactory(ComPortPaths paths, std::shared_ptr<TtyLineSignals> signals = nullptr);

} // namespace readerlink::platform
