#pragma once

// Passive Authentication after a chip read: when a card session that read
// data groups ends, EF.SOD is read and the result goes out as one log line.
// Advice only: what was read is delivered whatever the answer.

#include "reader/chip/bac_reader.h"
#include "reader/chip/bytes.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace readerlink::virtualreader {

struct ChipAuthenticity {
    // CSCA certificates and master lists; empty trusts nothing.
    std::filesystem::path trustFolder;
    // "Chip data authentic …" / "… not authentic: …" / "… not checked: …".
    // Empty: no check at all.
    std::function<void(const std::string&)> report;
};

// Checks `dataGroups` (number -> bytes, as read) against the EF.SOD `reader`
// reads now, and reports the line. Never throws for what the chip sends.
void reportAuthenticity(chip::BacReader& reader, const std::map<int, chip::Bytes>& dataGroups,
                        const ChipAuthenticity& authenticity);

} // namespace readerlink::virtualreader
