#pragma once

#include <string>
#include <vector>

namespace readerlink::reader {

// The state of one read pass; a new one for every pass, so a pass started
// from inside another cannot disturb it.
struct PassState {
    std::u16string mrzText;               // MRZ lines joined by CR LF
    std::vector<std::u16string> mrzLines; // item 1 is the second line
};

} // namespace readerlink::reader
