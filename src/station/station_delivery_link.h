#pragma once

// The one exit to the target application behind the window: the delivery
// dispatcher over the station's ScanData and choices, typing through a
// keyboard backend and records through a host link.

#include "common/ui_thread.h"
#include "delivery/host_link.h"
#include "delivery/keyboard_backend.h"
#include "delivery/send_data_to_app.h"
#include "station/station.h"

#include <functional>
#include <memory>
#include <string>

namespace readerlink::station {

struct DeliveryLinkParts {
    std::unique_ptr<HostLink> host;
    // Null when this session cannot type into other windows (no X display);
    // `noKeyboardReason` then says why.
    std::unique_ptr<KeyboardBackend> keyboard;
    std::u16string noKeyboardReason;
    // The main window's id as the host application sees it.
    std::function<WindowId()> windowId;
    // Where the outcomes of records sent to the host are logged; records then
    // leave on a thread of their own. Null: each record is sent and logged
    // before sendDataToApp returns.
    UiThread* uiThread = nullptr;
};

class StationDeliveryLink : public DeliveryLink, private DeliveryTarget {
public:
    StationDeliveryLink(Station& station, DeliveryLinkParts parts);

    void sendDataToApp() override { dispatcher_->SendDataToApp(); }

private:
    int selectedApplication() const override { return station_.appIndex(); }
    bool sendTwoLines() const override { return station_.sendTwoLines(); }
    WindowId mainWindowId() const override { return parts_.windowId ? parts_.windowId() : 0; }
    bool typeKeys(std::u16string_view keys, bool pumpMessages);

    Station& station_;
    DeliveryLinkParts parts_;
    std::unique_ptr<DeliveryDispatcher> dispatcher_;
};

} // namespace readerlink::station
