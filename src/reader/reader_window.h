#pragma once

// What the reader subsystem (connection step, reader events, read workflow,
// image archive) needs from the main window besides the log, the dialogs and
// the message loop. The station implements it over its state; tests record it.

#include "common/label_colour.h"
#include "reader/sdk/gx_image.h"

#include <string>
#include <string_view>

namespace readerlink::reader {

// The two tabs that carry a page view.
enum class ImagePage { Image, Infra };

class ReaderWindow {
public:
    virtual ~ReaderWindow() = default;

    // The status bar's simple text.
    virtual std::u16string statusBarText() const = 0;
    virtual void setStatusBarText(std::u16string_view text) = 0;

    // lblStatus alone, without a log line.
    virtual void setStatusLabel(std::u16string_view text) = 0;

    // lblError's text and font colour; its visibility is left alone.
    virtual void setErrorLabel(std::u16string_view text, LabelColour colour) = 0;

    // Item index of EdtApp: 0 is the host application, 1 typing, -1 nothing.
    virtual int targetApplication() const = 0;

    // The text of edtPicPath, read anew at each use.
    virtual std::u16string pictureFolder() const = 0;

    // The IsPassport flag the window keeps for the whole station.
    virtual bool isPassport() const = 0;
    virtual void setIsPassport(bool value) = 0;

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
