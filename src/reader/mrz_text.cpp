#include "reader/mrz_text.h"

#include "common/text.h"

namespace readerlink::reader {

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

} // namespace readerlink::reader
