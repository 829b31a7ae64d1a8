#pragma once

// The files of an eMRTD application and how the station numbers them: file 0
// is EF.COM, file n (1 to 16) is data group n. Each has a file identifier for
// SELECT, a short file identifier for READ BINARY, and (data groups) the tag
// that opens the file and names it in EF.COM's tag list.

#include <cstdint>
#include <optional>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

// The eMRTD application, A0 00 00 02 47 10 01.
extern const Bytes kEmrtdApplicationId;

constexpr int kEfComFile = 0;
constexpr int kFirstDataGroup = 1;
constexpr int kLastDataGroup = 16;
constexpr std::uint16_t kEfComFileId = 0x011E;
constexpr std::uint16_t kEfSodFileId = 0x011D;

struct LdsFile {
    int number;             // 0 EF.COM, 1..16 data groups
    std::uint16_t fileId;   // 011E, 0101..0110
    std::uint8_t shortId;   // 1E, 01..10
    std::uint8_t tag;       // 60, then 61, 75, 63, 76, 65..70
};

// nullopt for numbers outside 0..16.
std::optional<LdsFile> ldsFileByNumber(int number);
std::optional<LdsFile> ldsFileById(std::uint16_t fileId);
std::optional<LdsFile> ldsFileByShortId(std::uint8_t shortId);
// Data groups only (EF.COM's tag 60 is not listed in its own tag list).
std::optional<LdsFile> dataGroupByTag(std::uint8_t tag);

} // namespace readerlink::chip
