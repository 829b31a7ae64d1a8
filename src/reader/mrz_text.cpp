#include "reader/mrz_text.h"

#include "common/text.h"

namespace readerlink::read {

std::vector<std::u16string> splitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.emplace_back(text.substr(start, i - start));
            ++i;
            if (c == u'\r' && i < text.size() && text[i] == u'\n')
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::u16string chipMrzText(std::u16string_view chipMrz) {
    const std::size_t length = chipMrz.size();
    std::u16string text;
    if (length % 3 == 0) {
        const std::size_t third = length / 3;
        text.append(chipMrz.substr(0, third));
        text.append(u"\r\n");
        text.append(chipMrz.substr(third, third));
        text.append(u"\r\n");
        text.append(chipMrz.substr(2 * third, third));
    } else {
        const std::size_t half = length / 2;
        text.append(chipMrz.substr(0, half));
        text.append(u"\r\n");
        text.append(chipMrz.substr(half, half));
    }
    return text;
}

std::u16string mrzForDelivery(std::u16string_view text) {
    return removeAll(removeAll(removeAll(text, u' '), u'\r'), u'\n');
}

} // namespace readerlink::read
