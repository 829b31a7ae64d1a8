#pragma once

// What the read workflow needs of the main window, besides the log and the
// message loop: the status bar, the error label, the operator's choices and
// the IsPassport flag the window keeps for the whole station.

#include <string>
#include <string_view>

namespace readerlink::reader {

enum class LabelColour { Black, Red };

class ReadWindow {
public:
    virtual ~ReadWindow() = default;

    // The status bar's simple text.
    virtual std::u16string statusBarText() const = 0;
    virtual void setStatusBarText(std::u16string_view text) = 0;

    // lblError's text and font colour; its visibility is left alone.
    virtual void setErrorLabel(std::u16string_view text, LabelColour colour) = 0;

    // Item index of EdtApp: 0 is the host application, 1 typing, -1 nothing.
    virtual int targetApplication() const = 0;

    // The text of edtPicPath, read anew at each use.
    virtual std::u16string pictureFolder() const = 0;

    virtual bool isPassport() const = 0;
    virtual void setIsPassport(bool value) = 0;
};

} // namespace readerlink::reader
