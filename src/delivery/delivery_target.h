#pragma once

#include "delivery/window_id.h"

namespace readerlink {

// The window's delivery choices, asked afresh at every delivery so a change
// in the window takes effect on the next text.
class DeliveryTarget {
public:
    virtual ~DeliveryTarget() = default;
    // The selected item of the "Application :" list; -1 when none is selected.
    virtual int selectedApplication() const = 0;
    // "Send two lines".
    virtual bool sendTwoLines() const = 0;
    virtual WindowId mainWindowId() const = 0;
};

} // namespace readerlink
