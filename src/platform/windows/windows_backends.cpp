#include "platform/windows/windows_backends.h"

#include "platform/windows/comm_serial_device.h"
#include "platform/windows/copydata_host_link.h"
#include "platform/windows/shell_execute_converter_launcher.h"
#include "platform/windows/system_local_clock.h"

namespace readerlink::platform {

WindowsBackends makeWindowsBackends(KeyboardMessageBox messageBox,
                                    std::filesystem::path exeFolder) {
    WindowsBackends made;
    made.clock = makeSystemLocalClock();
    made.converter = makeConverterLauncher(std::move(exeFolder));
    made.host = makeCopyDataHostLink();
    made.keyboard = makeWin32KeyboardBackend(std::move(messageBox));
    made.serialDevices = makeCommSerialDeviceFactory();
    made.autorun = makeAutorunStore();
    return made;
}

} // namespace readerlink::platform
