#pragma once

// Just enough BER-TLV for the chip's files: tags of up to three bytes,
// definite lengths of up to four bytes. Malformed input is rejected, never
// read past.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace readerlink::virtualreader {

struct Tlv {
    std::uint32_t tag = 0;
    std::span<const std::uint8_t> value;
};

// The objects laid end to end in `data`; nullopt when any is malformed.
std::optional<std::vector<Tlv>> parseTlvs(std::span<const std::uint8_t> data);

// The first object with `tag` among those in `data`.
std::optional<Tlv> findTlv(std::span<const std::uint8_t> data, std::uint32_t tag);

void appendTlv(std::vector<std::uint8_t>& out, std::uint32_t tag, std::span<const std::uint8_t> value);

} // namespace readerlink::virtualreader
