#pragma once

// UTF-16 is the program's text type (the log, ScanData, message texts);
// UTF-8 is used at the edges (files, paths, standard output).

#include <string>
#include <string_view>
#include <vector>

namespace readerlink {

std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

// Removes every code unit of value U+0020 or below from both ends.
std::u16string trimControls(std::u16string_view text);

// Removes every occurrence of `unit`.
std::u16string removeAll(std::u16string_view text, char16_t unit);

// The lines a text shows as in the log: split at CR LF, CR or LF; a final
// line break ends the last line rather than starting an empty one, so
// "A\r\nB\r\n" gives two lines and "" none.
std::vector<std::u16string> splitLines(std::u16string_view text);

// Signed decimal, as the log writes numbers.
std::u16string toDecimal(long long value);

} // namespace readerlink
