#pragma once

// Waits for a device path to exist again, such as a USB adapter's
// /dev/serial/by-id link after a re-plug. udev removes that folder with its
// last link, so the nearest folder that still exists is the one watched, one
// level deeper each time the next one appears.

#include "serial/serial_device.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace readerlink::platform {

// What a symbolic link names, taken from the link's folder when relative;
// `path` itself when it is no link.
std::filesystem::path linkTarget(const std::filesystem::path& path);

// Calls `appeared` once, on its own thread, when `path` is back: when it
// exists (links followed) after having been gone. A path that still exists
// at the call (udev has not yet taken an unplugged adapter's link away) must
// first go. Throws std::system_error when nothing can be watched.
std::unique_ptr<serial::DeviceWatch> watchDevicePath(std::filesystem::path path,
                                                     std::function<void()> appeared);

} // namespace readerlink::platform
