#pragma once

// The one place that picks the platform backends on Windows, at start.

#include "delivery/host_link.h"
#include "delivery/keyboard_backend.h"
#include "platform/autorun_store.h"
#include "platform/single_instance.h"
#include "platform/windows/win32_keyboard.h"
#include "reader/converter_launcher.h"
#include "reader/local_clock.h"
#include "serial/serial_device.h"

#include <filesystem>
#include <memory>

namespace readerlink::platform {

struct WindowsBackends {
    std::unique_ptr<read::LocalClock> clock;
    std::unique_ptr<read::ConverterLauncher> converter;
    std::unique_ptr<HostLink> host;
    std::unique_ptr<KeyboardBackend> keyboard;
    std::unique_ptr<serial::SerialDeviceFactory> serialDevices;
    std::unique_ptr<AutorunStore> autorun;
};

// `exeFolder`: where the image converter is; empty means the program's own.
WindowsBackends makeWindowsBackends(KeyboardMessageBox messageBox,
                                    std::filesystem::path exeFolder = {});

} // namespace readerlink::platform
