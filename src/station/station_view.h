#pragma once

#include <string_view>

#include "common/label_colour.h"

namespace readerlink::station {

enum class Page { Main, Data, Image, Infra };

// What the station tells the window to show. The window keeps no state of its
// own beyond what these calls put on the screen.
class StationView {
public:
    virtual ~StationView() = default;

    virtual void appendLogLine(std::u16string_view line) = 0; // may hold line breaks
    virtual void showStatusLabel(std::u16string_view text) = 0;
    virtual void showStatusBar(std::u16string_view text) = 0;
    virtual void showErrorLabel(bool visible) = 0;
    virtual void showErrorLabelText(std::u16string_view text, LabelColour colour) = 0;
    // The choices or their enabled/visible states changed; read them from the station.
    virtual void refreshChoices() = 0;
    virtual void showPage(Page page) = 0;
    virtual void minimize() = 0;
    // Stops the message loop at once; the close step does not run.
    virtual void endApplication() = 0;
};

} // namespace readerlink::station
