#pragma once

// UTF-16 text across the Win32 boundary: wchar_t is 16 bits there, so the
// core's char16_t strings pass as they are.

#include <string>
#include <string_view>

namespace readerlink::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring toWide(std::u16string_view text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

inline std::u16string fromWide(std::wstring_view text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

} // namespace readerlink::platform
