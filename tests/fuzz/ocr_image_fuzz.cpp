// Image files of any content: decoding must refuse or accept them without
// reading out of bounds, and what decodes must be recognisable without harm.

#include "reader/ocr/mrz_recognizer.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto image = readerlink::ocr::decodeImage(std::span(data, size));
    // Large pictures only make the run slow, not the search deeper.
    if (image && static_cast<long long>(image->width) * image->height <= 600'000)
        (void)readerlink::ocr::recogniseMrz(*image);
    return 0;
}
