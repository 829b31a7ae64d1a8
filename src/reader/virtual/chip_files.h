#pragma once

// Chip files as ResolveRfidData turns them into documents: EF.COM (the file
// mask), DG1 (the MRZ) and DG2 (the face image), parsed by the chip layer.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "reader/chip/bytes.h"
#include "reader/chip/dg2_face.h"

namespace readerlink::virtualreader {

struct EfComContent {
    std::uint32_t fileMask = 0; // bit 0 EF.COM itself, bit n data group n
};
struct Dg1Content {
    std::string mrz; // run together, as stored
};
using Dg2Content = chip::FaceImage;
struct OtherContent {
    std::uint8_t tag = 0;
};

using ChipFileContent = std::variant<EfComContent, Dg1Content, Dg2Content, OtherContent>;

// nullopt for bytes that are no well-formed chip file.
std::optional<ChipFileContent> resolveChipFile(chip::ByteView file);

} // namespace readerlink::virtualreader
