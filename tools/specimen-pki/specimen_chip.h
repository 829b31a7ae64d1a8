#pragma once

// The chip of a specimen file as the virtual reader makes it, for the tools
// that sign it or serve it outside the reader.

#include "reader/chip/virtual_chip.h"
#include "reader/virtual/specimen.h"

#include <filesystem>

namespace readerlink::specimentool {

// Throws virtualreader::SpecimenError for a specimen without a chip or with
// an unreadable face image.
chip::ChipDocument chipDocumentOf(const virtualreader::Specimen& specimen);

// The data groups (1..16 -> file bytes) the chip holds.
std::map<int, chip::Bytes> dataGroupsOf(const chip::ChipDocument& document);

} // namespace readerlink::specimentool
