#pragma once

// DG2: the face image inside the biometric template 75 -> 7F61 (count 02,
// one 7F60 per image: header A1, data 5F2E or 7F2E), the data being an
// ISO/IEC 19794-5 facial record (header "FAC", facial information, feature
// points, image information, image bytes). Many chips hold JPEG 2000 there.

#include <cstdint>
#include <optional>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

enum class ImageFormat { Jpeg, Jpeg2000 };

struct FaceImage {
    Bytes data;
    ImageFormat format = ImageFormat::Jpeg;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// JPEG (FF D8 FF), JP2 file or raw JPEG 2000 codestream, by the leading bytes.
std::optional<ImageFormat> sniffImageFormat(ByteView image);

// Width and height from the JPEG frame header or the JPEG 2000 image
// header; nullopt when they cannot be found.
struct ImageSize {
    std::uint32_t width;
    std::uint32_t height;
};
std::optional<ImageSize> sniffImageSize(ByteView image);

// A DG2 with one face image; format and size are taken from the bytes.
// ChipError when they are neither JPEG nor JPEG 2000.
Bytes buildDg2(ByteView image);

// The first face image. MalformedDataError when the template or the facial
// record is broken or its image is neither JPEG nor JPEG 2000.
FaceImage parseDg2(ByteView file);

} // namespace readerlink::chip
