#pragma once

// Where a port name ("COM3") lives on this system, by one rule, first match wins:
//   1. the name's entry in the [Ports] section of "Settings.ini"
//      (COM3=/dev/serial/by-id/usb-...),
//   2. an entry named after the port in the program's ports folder
//      (a symbolic link made with ln -s, or a socat pty link),
//   3. /dev/ttyS<number - 1>.
// Only "COM" + a positive number without leading zeros has a device;
// anything else (COM0, COM-3, COM03, "") has none. USB adapter numbers are
// never guessed: they change with the plug order.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace readerlink::platform {

struct ComPortPaths {
    // The value of a name's key in [Ports], or nullopt when there is none. The
    // shell owns the settings file and binds this; empty means no section.
    std::function<std::optional<std::string>(const std::u16string& portName)> portsSection;
    // The program's ports folder; empty means none.
    std::filesystem::path portsFolder;
};

// The device path for a port name; nullopt when it has none.
std::optional<std::string> resolveComPortPath(std::u16string_view portName,
                                              const ComPortPaths& paths);

} // namespace readerlink::platform
