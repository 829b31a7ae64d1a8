#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace readerlink::reader {

// The chip's MRZ (one run of characters) as lines joined by CR LF: three of
// L/3 when L divides by 3, else two of L div 2 (an odd last character drops).
std::u16string chipMrzText(std::u16string_view chipMrz);

// Removes every blank, then every CR, then every LF: the MRZ as delivered.
std::u16string mrzForDelivery(std::u16string_view text);

} // namespace readerlink::reader
