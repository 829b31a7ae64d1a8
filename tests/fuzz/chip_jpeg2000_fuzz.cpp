// A forged chip's portrait: the JPEG 2000 decoder must decode it or throw
// MalformedDataError, and what it returns must be as large as it says.

#include <cstddef>
#include <cstdint>

#include "reader/chip/chip_error.h"
#include "reader/chip/jpeg2000_decoder.h"

using namespace readerlink::chip;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    try {
        const RgbImage image = decodeJpeg2000(ByteView(bytes, size));
        if (image.rgb.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3)
            __builtin_trap();
    } catch (const MalformedDataError&) {
    }
    return 0;
}
