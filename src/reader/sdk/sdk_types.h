#pragma once

// Value types of the passport reader SDK's three controls.

#include <cstdint>
#include <vector>

namespace readerlink::sdk {

// The SDK's 16-bit Automation Boolean: 0 is false, anything else true.
// Callers test the low 16 bits only.
using SdkBool = std::int32_t;
constexpr SdkBool kSdkTrue = -1; // VARIANT_TRUE
constexpr SdkBool kSdkFalse = 0;
constexpr bool isTrue(SdkBool value) { return (value & 0xFFFF) != 0; }

// Opaque 32-bit handle of a document held by the reader.
using DocHandle = std::int32_t;

// A variant-like value: chip file bytes from GetRfidFileB, or the integer a
// FieldProperty call returns.
struct Variant {
    enum class Kind { Empty, Bytes, Integer };
    Kind kind = Kind::Empty;
    std::vector<std::uint8_t> bytes;
    std::int64_t integer = 0;
};

// What an image view currently shows, as 8-bit RGB rows, for the window.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3 bytes
};

} // namespace readerlink::sdk
