#pragma once

// The contactless chip of the document on the glass, as the reader's chip
// operations (ConnectRfidCard, MakeBAC, GetRfidFileB) use it. The stand-in
// below enforces the access rules; a card that speaks APDUs with real BAC and
// secure messaging plugs in through VirtualReaderOptions::chipCardFactory.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::virtualreader {

// What the chip holds, made from the specimen.
struct ChipContents {
    // Document number, date of birth, date of expiry, each with its check
    // digit, of the chip's own MRZ: what its BAC keys derive from.
    std::string mrzInformation;
    bool bacProtected = true;
    // File id -> contents: 0 EF.COM, n data group n.
    std::map<int, std::vector<std::uint8_t>> files;
};

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

    // The whole file. A protected chip answers kSecurityStatusNotSatisfied
    // before BAC; an absent file kFileNotFound.
    virtual ChipStatus readFile(int fileId, std::vector<std::uint8_t>& data) = 0;
};

using ChipCardFactory = std::function<std::unique_ptr<ChipCard>(const ChipContents&)>;

// The stand-in: compares the MRZ information instead of running the protocol.
std::unique_ptr<ChipCard> makeSimulatedChipCard(const ChipContents& contents);

} // namespace readerlink::virtualreader
