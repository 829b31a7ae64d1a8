#pragma once

// Windows-1252 stands in for the Windows ANSI code page: the host record and
// the serial readers' bytes use it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink {

// One byte per UTF-16 code unit; what Windows-1252 cannot represent becomes '?'.
std::vector<std::uint8_t> encodeWindows1252(std::u16string_view text);

// One character per byte. The five bytes Windows-1252 leaves undefined map to
// the C1 control of the same value, as Windows' own conversion does.
std::u16string decodeWindows1252(const std::uint8_t* bytes, std::size_t size);
std::u16string decodeWindows1252(std::string_view bytes);

} // namespace readerlink
