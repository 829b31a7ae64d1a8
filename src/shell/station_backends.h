#pragma once

// The one place that picks the station's backends, at start: the virtual
// reader on its glass folder, the host link over a local socket, typing
// through XTest when there is an X display, serial ports through the
// terminal driver, the system clock and the image converter beside the
// program. (No Qt here: the platform headers use names Qt defines as macros.)

#include "delivery/host_link.h"
#include "delivery/keyboard_backend.h"
#include "platform/linux/x11_keyboard.h"
#include "reader/converter_launcher.h"
#include "reader/local_clock.h"
#include "reader/sdk/control_factory.h"
#include "reader/virtual/ui_dispatcher.h"
#include "serial/serial_device.h"
#include "shell/station.h"
#include "shell/station_locations.h"

#include <memory>
#include <string>

namespace readerlink::shell {

struct StationBackends {
    std::unique_ptr<sdk::ControlFactory> reader;
    std::unique_ptr<read::LocalClock> clock;
    std::unique_ptr<read::ConverterLauncher> converter;
    std::unique_ptr<HostLink> host;
    std::unique_ptr<KeyboardBackend> keyboard; // null: no typing in this session
    std::u16string noKeyboardReason;
    std::unique_ptr<serial::SerialDeviceFactory> serialDevices;
};

// `headless`: no X display to type into. `dispatcher` must outlive the reader.
StationBackends makeStationBackends(Station& station, const StationLocations& where, bool headless,
                                    KeyboardMessageBox messageBox,
                                    virtualreader::UiDispatcher& dispatcher);

} // namespace readerlink::shell
