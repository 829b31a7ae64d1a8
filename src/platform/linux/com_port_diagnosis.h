#pragma once

// What the operator needs when a COM port's device does not open, and which
// other programs have a device open (a program that opened it without a lock
// takes the reader's characters unnoticed).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::platform {

struct DeviceHolder {
    int pid = 0;
    std::string command; // from /proc/<pid>/comm
    friend bool operator==(const DeviceHolder&, const DeviceHolder&) = default;
};

// The processes other than this one with `device` open, found through
// `proc`/<pid>/fd. Processes this user may not look into are not seen.
std::vector<DeviceHolder> processesHolding(const std::filesystem::path& device,
                                           const std::filesystem::path& proc = "/proc");

// "1234 minicom, 99 ModemManager"
std::string describeHolders(const std::vector<DeviceHolder>& holders);

// One log line: the port, the device tried (nullopt: the name has none), the
// likely cause of `osError` and what to do.
std::string describeOpenFailure(std::string_view portName, const std::optional<std::string>& device,
                                int osError, const std::vector<DeviceHolder>& holders);

} // namespace readerlink::platform
