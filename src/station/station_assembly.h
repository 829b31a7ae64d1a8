#pragma once

// The station's subsystems behind the window, composed once, at start: the
// virtual reader on its glass folder, delivery and the serial readers, over the
// backends this system's platform folder picks. Each window supplies only its
// bundle: the page views, its thread and message loop, its message box and id.

#include "common/message_loop.h"
#include "common/ui_thread.h"
#include "delivery/keyboard_backend.h"
#include "station/station.h"
#include "station/station_delivery_link.h"
#include "station/station_locations.h"
#include "station/station_reader_link.h"
#include "station/station_serial_link.h"

#include <functional>
#include <memory>
#include <string>

namespace readerlink::station {

// What a window gives the station's subsystems.
struct WindowBundle {
    UiThread& uiThread;
    MessageLoop& messageLoop;
    PageViewHost* pageViews = nullptr; // null: no pictures shown
    // The typing engine's own boxes ("SendKeys").
    KeyboardMessageBox messageBox;
    // The main window's id as the host application sees it.
    std::function<WindowId()> windowId;
    // Non-empty: this session cannot type into other windows, and why.
    std::u16string noTypingReason;
};

class StationAssembly {
public:
    // Hooks the subsystems into the station; call before FormCreate.
    StationAssembly(Station& station, const StationLocations& locations, WindowBundle window);
    // Puts the station's null links back before the subsystems go.
    ~StationAssembly();
    StationAssembly(const StationAssembly&) = delete;
    StationAssembly& operator=(const StationAssembly&) = delete;

    StationReaderLink& reader() { return *reader_; }

private:
    Station& station_;
    std::unique_ptr<StationSerialLink> serial_;
    std::unique_ptr<StationDeliveryLink> delivery_;
    std::unique_ptr<StationReaderLink> reader_;
};

} // namespace readerlink::station
