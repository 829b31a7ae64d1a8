#pragma once

// The "MRZ information" Basic Access Control keys are derived from: the
// document number, date of birth and date of expiry, each followed by its
// check digit, as printed.

#include <optional>
#include <string>
#include <string_view>

#include "reader/mrz/mrz_layout.h"

namespace readerlink::mrz {

// nullopt when the lines fit no layout or a piece is missing. The document
// number keeps its fillers ("L898902C<"); a long TD1/TD2 number is given in
// full with the check digit found in the optional data.
std::optional<std::string> bacMrzInformation(const ParsedMrz& mrz);

// From MRZ text: lines joined by CR LF (a trailing empty third line is
// fine) or run together.
std::optional<std::string> bacMrzInformation(std::string_view mrzText);

} // namespace readerlink::mrz
