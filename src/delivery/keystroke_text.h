#pragma once

#include <string>
#include <string_view>

namespace readerlink {

inline constexpr std::size_t kKeystrokeLineLength = 44;

// The form a text is typed in. Two lines: code units 1-44, CR, 45-88 at fixed
// positions whatever the length, nothing trimmed. One line: CR removed,
// trimmed, LF removed, trimmed again (trim = code units up to U+0020).
std::u16string keystrokeText(std::u16string_view text, bool twoLines);

} // namespace readerlink
