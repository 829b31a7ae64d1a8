#pragma once

// The backends of the station's seams on this system. Each system's folder
// under src/platform implements these once; the station's composition calls
// them at start and nothing else picks a backend.

#include "delivery/host_link.h"
#include "delivery/keyboard_backend.h"
#include "reader/converter_launcher.h"
#include "reader/local_clock.h"
#include "serial/serial_device.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace readerlink::platform {

// The host application's window or socket.
std::unique_ptr<HostLink> makeHostLink();

// Typing into other windows. Throws readerlink::Error with a one-line reason
// when this session cannot.
std::unique_ptr<KeyboardBackend> makeKeyboard(KeyboardMessageBox messageBox);

std::unique_ptr<reader::LocalClock> makeLocalClock();

// Starts the image converter from `programFolder`.
std::unique_ptr<reader::ConverterLauncher>
makeImageConverterLauncher(const std::filesystem::path& programFolder);

// The device a COM port name ("COM3") is mapped to by the settings, if any;
// asked at each open, so a mapping made while the station runs counts.
using PortMapping = std::function<std::optional<std::string>(const std::u16string& portName)>;

std::unique_ptr<serial::SerialDeviceFactory>
makeSerialDevices(const std::filesystem::path& programFolder, PortMapping mapping);

} // namespace readerlink::platform
