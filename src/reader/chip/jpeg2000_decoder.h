#pragma once

// JPEG 2000 face images (JP2 file or raw codestream) decoded to 8-bit RGB
// with OpenJPEG, from memory, so a caller can show them or save them as
// JPEG.

#include <cstdint>
#include <vector>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // rows top to bottom, 3 bytes a pixel
};

// Grey, RGB and sYCC images of up to 16 bits a sample; alpha is dropped.
// MalformedDataError when OpenJPEG cannot read the data or the picture is
// larger than a face image can sensibly be (guards memory against a forged
// header).
RgbImage decodeJpeg2000(ByteView image);

} // namespace readerlink::chip
