#pragma once

// Where the keys of a US keyboard sit, in Windows terms: the virtual key and
// its set-1 scan code. MapVirtualKeyW gives these on the US layout, and a
// scan code names the same physical key under every layout.

#include <cstdint>

namespace readerlink {

struct ScanCode {
    std::uint8_t code = 0; // 0: the virtual key has no scan code
    bool extended = false; // sent after an E0 prefix
};

ScanCode usScanCodeOf(std::uint8_t virtualKey);

// The virtual key of a typing-area key (letters, digits, punctuation, space,
// Enter, Tab, Backspace, Escape and the ISO key), or 0 for any other key.
std::uint8_t usTypingVirtualKeyOf(std::uint8_t scan);

} // namespace readerlink
