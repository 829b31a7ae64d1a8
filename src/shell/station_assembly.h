#pragma once

// The station's subsystems behind the window, with their backends chosen
// here, once, at start: the virtual reader on its glass folder, the host link
// over a local socket, typing through XTest when there is an X display, the
// serial ports through the terminal driver.

#include "shell/main_window.h"
#include "shell/qt_message_loop.h"
#include "shell/qt_page_views.h"
#include "shell/qt_station_threads.h"
#include "shell/station.h"
#include "shell/station_delivery_link.h"
#include "shell/station_locations.h"
#include "shell/station_reader_link.h"
#include "shell/station_serial_link.h"

#include <memory>

namespace readerlink::shell {

struct AssemblyOptions {
    StationLocations locations;
    // No X display to type into (Qt's offscreen or minimal platform).
    bool headless = false;
};

class StationAssembly {
public:
    // Hooks the subsystems into the station; call before formCreate.
    StationAssembly(Station& station, MainWindow& window, AssemblyOptions options);
    // Puts the station's placeholders back before the subsystems go.
    ~StationAssembly();
    StationAssembly(const StationAssembly&) = delete;
    StationAssembly& operator=(const StationAssembly&) = delete;

    StationReaderLink& reader() { return *reader_; }

private:
    Station& station_;
    QtStationThreads threads_;
    QtMessageLoop messageLoop_;
    QtPageViews pageViews_;
    std::unique_ptr<StationSerialLink> serial_;
    std::unique_ptr<StationDeliveryLink> delivery_;
    std::unique_ptr<StationReaderLink> reader_;
};

} // namespace readerlink::shell
