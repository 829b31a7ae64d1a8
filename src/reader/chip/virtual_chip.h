#pragma once

// A contactless eMRTD chip in software, answering ISO 7816-4 APDUs as a
// passport's chip does: SELECT of the eMRTD application and its files, GET
// CHALLENGE, EXTERNAL AUTHENTICATE, READ BINARY (also the odd form that
// reaches past offset 32767). A BAC-protected chip keeps
// its files closed (6982) until BAC succeeds with keys from its own MRZ;
// after BAC every command must come under secure messaging, and a wrong MAC
// or a plain command ends the session (6988 or 6987) so BAC must run again.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reader/chip/apdu.h"
#include "reader/chip/bac_keys.h"
#include "reader/chip/random_source.h"
#include "reader/chip/secure_messaging.h"

namespace readerlink::chip {

struct ChipDocument {
    // The printed MRZ lines (TD1, TD2 or TD3). DG1 holds them run together;
    // the BAC keys come from their document number and dates.
    std::vector<std::string> mrzLines;
    // JPEG or JPEG 2000 bytes for DG2; needed when DG2 is listed.
    Bytes faceImage;
    // Data groups present, 1 to 16, as EF.COM lists them.
    std::vector<int> dataGroups{1, 2};
    bool bacProtected = true;
    // Contents of listed data groups other than DG1 and DG2; a listed group
    // without contents here holds its bare tag with no value.
    std::map<int, Bytes> otherDataGroups;
    std::string ldsVersion = "0107";
    std::string unicodeVersion = "040000";
    // EF.SOD as the issuer signed it (tag 77); empty: the chip has none.
    Bytes efSod;
};

class VirtualChip final : public ApduTransport {
public:
    // ChipError when the MRZ lines give no BAC keys, DG2 is listed without a
    // usable face image, or a data group number is out of range.
    explicit VirtualChip(const ChipDocument& document,
                         std::unique_ptr<RandomSource> random = makeSystemRandom());

    // Never throws for what a reader sends: a malformed command gets a status
    // word like any other.
    Bytes transmit(ByteView command) override;

    // The chip leaves the field and comes back: nothing selected, no session.
    void reset();

    // The files as the chip holds them, by file identifier (EF.COM 011E,
    // DG1 0101, ...).
    const std::map<std::uint16_t, Bytes>& files() const { return files_; }

private:
    ResponseApdu handle(const CommandApdu& command);
    ResponseApdu select(const CommandApdu& command);
    ResponseApdu getChallenge(const CommandApdu& command);
    ResponseApdu externalAuthenticate(const CommandApdu& command);
    ResponseApdu readBinary(const CommandApdu& command);
    ResponseApdu readBinaryOdd(const CommandApdu& command);
    // Bytes of the current file from `offset`; `wrapped` puts them in DO'53'.
    ResponseApdu readFrom(std::size_t offset, std::optional<std::size_t> ne, bool wrapped);

    std::unique_ptr<RandomSource> random_;
    bool bacProtected_;
    KeyPair accessKeys_;
    std::map<std::uint16_t, Bytes> files_;

    bool applicationSelected_ = false;
    std::optional<std::uint16_t> currentFile_;
    std::optional<Bytes> challenge_;
    std::optional<SecureMessaging> sm_;
};

} // namespace readerlink::chip
