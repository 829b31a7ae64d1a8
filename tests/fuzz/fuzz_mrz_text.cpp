// MRZ text of any shape: parsing and BAC key input must never read outside
// the lines.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reader/mrz/bac_information.h"
#include "reader/mrz/mrz_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = readerlink::mrz::parseMrz(text);
    (void)readerlink::mrz::bacMrzInformation(parsed);
    return 0;
}
