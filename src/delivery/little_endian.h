#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace readerlink {

// Byte-wise, so the wire layout does not depend on the host's byte order or
// on alignment.
template <typename T> void putLittleEndian(std::uint8_t* out, T value) {
    static_assert(std::is_unsigned_v<T>);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename T> T getLittleEndian(const std::uint8_t* in) {
    static_assert(std::is_unsigned_v<T>);
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<T>(value | (static_cast<T>(in[i]) << (8 * i)));
    return value;
}

} // namespace readerlink
