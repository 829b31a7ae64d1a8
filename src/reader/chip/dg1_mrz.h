#pragma once

// DG1: the MRZ as the chip holds it, tag 61 around 5F1F with the MRZ lines
// run together without separators (88 characters for TD3, 90 for TD1, 72 for
// TD2).

#include <string>
#include <string_view>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

Bytes buildDg1(std::string_view mrzCharacters);

// The MRZ characters. MalformedDataError when the structure is wrong or a
// byte is not printable ASCII (an MRZ holds only A-Z, 0-9 and "<"; anything
// else must not travel on towards file names or keystrokes).
std::string parseDg1(ByteView file);

} // namespace readerlink::chip
