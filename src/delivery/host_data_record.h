#pragma once

// The fixed record a host application receives for every delivered text.
// Little-endian, no gaps:
//   0    4     kind        signed 32-bit, always 1
//   4    1     textLength  0..255
//   5    255   text        the first textLength bytes are the text (Windows-1252)
//   260  2048  reserved
// Bytes the sender does not write are zero.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace readerlink {

inline constexpr std::size_t kHostDataRecordSize = 2308;
inline constexpr std::size_t kHostTextCapacity = 255;
inline constexpr std::int32_t kHostRecordKind = 1;

inline constexpr std::size_t kHostKindOffset = 0;
inline constexpr std::size_t kHostTextLengthOffset = 4;
inline constexpr std::size_t kHostTextOffset = 5;
inline constexpr std::size_t kHostReservedOffset = 260;

using HostRecordBytes = std::array<std::uint8_t, kHostDataRecordSize>;

// At most the first 255 UTF-16 code units, one Windows-1252 byte each ('?'
// where the code page has none); everything else zero.
HostRecordBytes encodeHostDataRecord(std::u16string_view text);

// What a receiver may rely on.
struct HostDataRecord {
    std::int32_t kind = 0;
    std::uint8_t textLength = 0;
    std::array<std::uint8_t, kHostTextCapacity> text{};

    std::span<const std::uint8_t> textBytes() const { return {text.data(), textLength}; }
};

// nullopt unless the payload is exactly one record.
std::optional<HostDataRecord> decodeHostDataRecord(std::span<const std::uint8_t> payload);

} // namespace readerlink
