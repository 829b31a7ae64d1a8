#pragma once

// Face images for chip tests: JPEG 2000 made here with OpenJPEG's encoder
// (lossless, so a decoder's pixels can be compared exactly), and a JPEG
// stand-in whose frame header gives a size (the chip layer never decodes
// JPEG, it only carries it).

#include <cstdint>

#include "reader/chip/bytes.h"
#include "reader/chip/jpeg2000_decoder.h"

namespace readerlink::chip::testing {

// A width x height picture with a different value in every channel.
RgbImage testPattern(int width, int height);

enum class Jpeg2000Container { Jp2File, Codestream };
// `components` 1 (grey, from the red channel) or 3; `ratio` 0 is lossless,
// otherwise the compression ratio of a lossy image.
Bytes encodeJpeg2000(const RgbImage& image, Jpeg2000Container container, int components = 3, float ratio = 0);

// SOI, JFIF, a baseline frame header of the given size, filler, EOI;
// `filler` bytes pad it to size a large portrait.
Bytes fakeJpeg(std::uint16_t width, std::uint16_t height, std::size_t filler = 0);

} // namespace readerlink::chip::testing
