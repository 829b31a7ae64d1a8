#pragma once

// The contactless chip of the document on the glass, as the reader's chip
// operations (ConnectRfidCard, MakeBAC, GetRfidFileB) use it. The default
// card is an eMRTD chip in software spoken to over APDUs: real Basic Access
// Control and secure messaging, so a wrong MRZ fails as it would on a
// passport.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reader/chip/virtual_chip.h"
#include "reader/virtual/chip_authenticity.h"

namespace readerlink::virtualreader {

// A result: code 0, or one of the reader's error codes (error_codes.h) with
// its text; a card may give a more precise text than the table's.
struct ChipStatus {
    int code = 0;
    std::u16string text;
    bool ok() const { return code == 0; }
};

class ChipCard {
public:
    virtual ~ChipCard() = default;

    // Starts a session: every access right of an earlier session is gone.
    virtual ChipStatus connect() = 0;
    virtual void disconnect() = 0;

    // Basic Access Control from the MRZ information the reader read off the
    // page. Fails (kBacFailed) when the keys do not match the chip's.
    virtual ChipStatus performBac(std::string_view mrzInformation) = 0;

    // The whole file (0 EF.COM, n data group n). A protected chip answers
    // kSecurityStatusNotSatisfied before BAC; an absent file kFileNotFound.
    virtual ChipStatus readFile(int fileId, std::vector<std::uint8_t>& data) = 0;
};

// Throws readerlink::chip::ChipError when the document cannot make a chip
// (no MRZ to key it, an unusable face image).
using ChipCardFactory = std::function<std::unique_ptr<ChipCard>(const chip::ChipDocument&)>;

// chip::VirtualChip read through chip::BacReader.
std::unique_ptr<ChipCard> makeEmrtdChipCard(const chip::ChipDocument& document);
// The same, with Passive Authentication reported when a session that read
// data groups after BAC ends.
ChipCardFactory emrtdChipCardFactory(ChipAuthenticity authenticity);

} // namespace readerlink::virtualreader
