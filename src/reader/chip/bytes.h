#pragma once

// Byte strings as the chip layer passes them around, and their hex form for
// logs and tests.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::chip {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Upper-case hex, two digits a byte, no separators.
std::string toHex(ByteView bytes);

// Accepts upper or lower case; blanks between digits are skipped so printed
// figures can be pasted as they stand. Throws std::invalid_argument on an odd
// digit count or a non-hex character.
Bytes fromHex(std::string_view hex);

// a || b || ...
Bytes concat(std::initializer_list<ByteView> parts);

inline void append(Bytes& to, ByteView bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

inline ByteView view(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace readerlink::chip
