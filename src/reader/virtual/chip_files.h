#pragma once

// The files of an eMRTD chip as the virtual reader builds and resolves them:
// EF.COM (file 0, the list of data groups present), DG1 (file 1, the MRZ)
// and DG2 (file 2, the face image in an ISO 19794-5 record).

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace readerlink::virtualreader {

using Bytes = std::vector<std::uint8_t>;

// The tag of data group n's file (DG1 0x61, DG2 0x75, ...); 0 for none.
std::uint8_t dataGroupTag(int dataGroup);

Bytes buildEfCom(const std::vector<int>& dataGroups);
Bytes buildDg1(const std::string& mrzRunTogether);
// `imageType` 0: JPEG, 1: JPEG 2000.
Bytes buildDg2(const Bytes& image, int width, int height, int imageType = 0);

struct EfComContent {
    std::uint32_t fileMask = 0; // bit 0 EF.COM itself, bit n data group n
};
struct Dg1Content {
    std::string mrz; // run together, as stored
};
struct Dg2Content {
    Bytes image;       // JPEG or JPEG 2000 as stored
    int imageType = 0; // 0 JPEG, 1 JPEG 2000
};
struct OtherContent {
    std::uint8_t tag = 0;
};

using ChipFileContent = std::variant<EfComContent, Dg1Content, Dg2Content, OtherContent>;

// nullopt for bytes that are no well-formed chip file.
std::optional<ChipFileContent> resolveChipFile(const Bytes& file);

} // namespace readerlink::virtualreader
