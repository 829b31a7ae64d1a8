#include "platform/backends.h"

#include "platform/linux/posix_serial_device.h"
#include "platform/linux/spawn_converter_launcher.h"
#include "platform/linux/system_local_clock.h"
#include "platform/linux/unix_host_link.h"
#include "platform/linux/x11_keyboard.h"

namespace readerlink::platform {

std::unique_ptr<HostLink> makeHostLink() {
    return makeUnixHostLink();
}

std::unique_ptr<KeyboardBackend> makeKeyboard(KeyboardMessageBox messageBox) {
    return makeX11KeyboardBackend(std::move(messageBox));
}

std::unique_ptr<reader::LocalClock> makeLocalClock() {
    return makeSystemLocalClock();
}

std::unique_ptr<reader::ConverterLauncher>
makeImageConverterLauncher(const std::filesystem::path& programFolder) {
    return makeConverterLauncher(programFolder.string());
}

std::unique_ptr<serial::SerialDeviceFactory>
makeSerialDevices(const std::filesystem::path& programFolder, PortMapping mapping) {
    platform::ComPortPaths ports;
    ports.portsFolder = programFolder / "ports";
    ports.portsSection = std::move(mapping);
    return platform::makePosixSerialDeviceFactory(std::move(ports));
}

} // namespace readerlink::platform
