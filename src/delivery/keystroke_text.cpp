#include "delivery/keystroke_text.h"

#include "common/text.h"

namespace readerlink {

std::u16string keystrokeText(std::u16string_view text, bool twoLines) {
    if (twoLines) {
        std::u16string out(text.substr(0, kKeystrokeLineLength));
        out.push_back(u'\r');
        if (text.size() > kKeystrokeLineLength)
            out.append(text.substr(kKeystrokeLineLength, kKeystrokeLineLength));
        return out;
    }
    std::u16string out = trimControls(removeAll(text, u'\r'));
    return trimControls(removeAll(out, u'\n'));
}

} // namespace readerlink
