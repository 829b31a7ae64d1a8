#pragma once

// The chip a specimen describes, as the virtual reader and the specimen tools
// both build it: which data groups it holds, its face and its EF.SOD.

#include "reader/chip/virtual_chip.h"
#include "reader/virtual/specimen.h"

#include <filesystem>

namespace readerlink::virtualreader {

struct SpecimenChipContents {
    chip::ChipDocument document;
    // A face image named by the specimen that could not be read; the chip
    // then goes without DG2. Empty when there was none to miss.
    std::filesystem::path unreadableFace;
};

// A specimen without a chip gives an empty chip keyed with the page's MRZ.
SpecimenChipContents chipContentsOf(const Specimen& specimen);

} // namespace readerlink::virtualreader
