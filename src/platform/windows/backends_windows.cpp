#include "platform/backends.h"

#include "platform/windows/comm_serial_device.h"
#include "platform/windows/copydata_host_link.h"
#include "platform/windows/shell_execute_converter_launcher.h"
#include "platform/windows/system_local_clock.h"
#include "platform/windows/win32_keyboard.h"

namespace readerlink::platform {

std::unique_ptr<HostLink> makeHostLink() {
    return makeCopyDataHostLink();
}

std::unique_ptr<KeyboardBackend> makeKeyboard(KeyboardMessageBox messageBox) {
    return makeWin32KeyboardBackend(std::move(messageBox));
}

std::unique_ptr<reader::LocalClock> makeLocalClock() {
    return makeSystemLocalClock();
}

std::unique_ptr<reader::ConverterLauncher>
makeImageConverterLauncher(const std::filesystem::path& programFolder) {
    return makeConverterLauncher(programFolder);
}

// COMn is a device name of the system itself; the settings' port mapping is
// for systems whose serial devices have other names.
std::unique_ptr<serial::SerialDeviceFactory> makeSerialDevices(const std::filesystem::path&,
                                                               PortMapping) {
    return makeCommSerialDeviceFactory();
}

} // namespace readerlink::platform
