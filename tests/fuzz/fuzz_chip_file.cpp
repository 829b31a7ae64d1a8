// Chip file bytes as a card could send them: resolving never reads past the
// data, however the lengths lie.

#include <cstddef>
#include <cstdint>

#include "reader/virtual/chip_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)readerlink::virtualreader::resolveChipFile({data, size});
    return 0;
}
