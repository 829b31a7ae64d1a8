#include "reader/chip/bytes.h"

#include <stdexcept>

namespace readerlink::chip {

std::string toHex(ByteView bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
} // namespace

Bytes fromHex(std::string_view hex) {
    Bytes bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ') continue;
        const int value = hexValue(c);
        if (value < 0) throw std::invalid_argument("not a hex digit in \"" + std::string(hex) + "\"");
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd number of hex digits in \"" + std::string(hex) + "\"");
    return bytes;
}

Bytes concat(std::initializer_list<ByteView> parts) {
    Bytes out;
    for (ByteView part : parts) append(out, part);
    return out;
}

} // namespace readerlink::chip
