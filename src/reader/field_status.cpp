#include "reader/field_status.h"

namespace readerlink::reader {

std::u16string statusWord(int status) {
    if (status < 0 || status >= 300)
        return u"Unknown";
    static const std::array<std::u16string, 3> kWords = {u"Ok", u"Warning", u"Error"};
    return kWords[static_cast<std::size_t>(status / 100)];
}

} // namespace readerlink::reader
