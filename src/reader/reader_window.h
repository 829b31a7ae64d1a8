#pragma once

// What the connection step and the reader events need from the main window.
// The shell implements it over its widgets; tests record it.

#include <string_view>

#include "reader/sdk/gx_image.h"

namespace readerlink::reader {

// The two tabs that carry a page view.
enum class ImagePage { Image, Infra };

class ReaderWindow {
public:
    virtual ~ReaderWindow() = default;

    // The status bar's simple text.
    virtual void setStatusBarText(std::u16string_view text) = 0;

    // lblStatus alone, without a log line.
    virtual void setStatusLabel(std::u16string_view text) = 0;

    // Places the view on its tab, filling it; the window shows view.Picture()
    // and follows it through view.SetChangedHandler. The view stays alive
    // until removeImageView for that page.
    virtual void placeImageView(ImagePage page, sdk::GxImage& view) = 0;

    // Takes the view off its tab (its set is being replaced); the window must
    // not use that view afterwards. Harmless when nothing is placed there.
    virtual void removeImageView(ImagePage page) = 0;

    // Stops the message loop and ends the program without the window's close
    // step.
    virtual void endApplication() = 0;
};

} // namespace readerlink::reader
