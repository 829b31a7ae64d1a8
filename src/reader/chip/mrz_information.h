#pragma once

// The MRZ information that keys Basic Access Control, taken from the printed
// MRZ lines: document number, date of birth and date of expiry, each with its
// check digit, exactly as printed (a wrong check digit stays in: the chip's
// keys were made from the same print). The virtual chip keys itself with it;
// a caller holding only the lines can use it before MakeBAC.

#include <string>
#include <string_view>
#include <vector>

namespace readerlink::chip {

// Lines of a TD1 (3 x 30), TD2 or MRV-B (2 x 36), TD3 or MRV-A (2 x 44) MRZ.
// TD1 and TD2 document numbers longer than nine characters continue in the
// optional data, marked by "<" in the check digit position. Throws
// MalformedDataError for any other shape.
std::string mrzInformationFromLines(const std::vector<std::string>& lines);

// The same from one text with lines separated by CR LF or LF; blank lines and
// blanks around lines are ignored.
std::string mrzInformationFromText(std::string_view text);

} // namespace readerlink::chip
