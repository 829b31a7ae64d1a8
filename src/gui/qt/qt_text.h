#pragma once

// The station's UTF-16 text as Qt's.

#include <QString>
#include <string_view>

namespace readerlink::gui {

inline QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace readerlink::gui
