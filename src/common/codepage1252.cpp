#include "common/codepage1252.h"

#include <array>

namespace readerlink {
namespace {

// 0x80..0x9F; 0 marks the undefined bytes (decoded as the C1 control).
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t decodeByte(std::uint8_t b) {
    if (b >= 0x80 && b <= 0x9F) {
        const char16_t c = kHighTable[b - 0x80];
        return c != 0 ? c : static_cast<char16_t>(b);
    }
    return static_cast<char16_t>(b);
}

} // namespace

std::vector<std::uint8_t> encodeWindows1252(std::u16string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        std::uint8_t byte = '?';
        for (std::size_t i = 0; i < kHighTable.size(); ++i) {
            if (kHighTable[i] == c || (kHighTable[i] == 0 && c == 0x80 + i)) {
                byte = static_cast<std::uint8_t>(0x80 + i);
                break;
            }
        }
        out.push_back(byte);
    }
    return out;
}

std::u16string decodeWindows1252(const std::uint8_t* bytes, std::size_t size) {
    std::u16string out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(decodeByte(bytes[i]));
    return out;
}

std::u16string decodeWindows1252(std::string_view bytes) {
    return decodeWindows1252(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace readerlink
