#pragma once

// The reader's side of an eMRTD chip over any APDU transport: select the
// eMRTD application, open the chip with Basic Access Control, and read
// files, plain before BAC and under secure messaging after it. Nothing here
// knows what carries the APDUs, so a PC/SC contactless reader can take the
// virtual chip's place unchanged.

#include <cstdint>
#include <optional>
#include <string_view>

#include "reader/chip/apdu.h"
#include "reader/chip/random_source.h"
#include "reader/chip/secure_messaging.h"

namespace readerlink::chip {

class BacReader {
public:
    enum class Selection {
        FileId,      // SELECT by file identifier, then READ BINARY by offset
        ShortFileId, // the first READ BINARY names the file by its short identifier
    };

    // Both must outlive the reader.
    BacReader(ApduTransport& transport, RandomSource& random);

    // SELECT A0000002471001. CardStatusError when the chip has no such
    // application. Ends any secured session: the chip starts afresh.
    void selectApplication();

    // BAC with the MRZ information (document number, date of birth, date of
    // expiry, each with its check digit). Selects the application first.
    // BacError when the chip refuses the keys or its
    // answer does not prove the same keys; the session is then plain.
    void performBac(std::string_view mrzInformation);

    bool secured() const { return sm_.has_value(); }
    // The send sequence counter of the secured session, for diagnostics.
    std::optional<std::uint64_t> sendSequenceCounter() const;

    // A whole file by its station number (0 EF.COM, 1..16 data groups), its
    // length taken from its own TLV header. CardStatusError with the chip's
    // status word (6A82 absent, 6982 needs BAC), SecureMessagingError when
    // the secured session breaks (the session is then dropped, as it is when
    // the transport fails mid-exchange),
    // MalformedDataError for a header that gives no usable length, ChipError
    // for one claiming more than 1 MiB. Past offset 32767 the odd READ BINARY
    // (offset in DO'54', data in DO'53') takes over.
    Bytes readFile(int fileNumber);
    Bytes readFileById(std::uint16_t fileId);

    void setSelection(Selection selection) { selection_ = selection; }
    // Bytes asked for per READ BINARY (the default 224 keeps a protected
    // answer within a short response; up to 65505 for a card that takes
    // extended length, see card_capabilities.h).
    void setChunkSize(std::size_t bytes);

    // One command, protected when the session is secured; the chip's plain
    // answer. Public so a caller can send what this class does not cover.
    ResponseApdu exchange(const CommandApdu& command);

private:
    ResponseApdu transmitPlain(const CommandApdu& command);
    Bytes readBinary(std::size_t offset, std::size_t count, std::optional<std::uint8_t> shortId);
    Bytes readBinaryBeyond(std::size_t offset, std::size_t count);
    Bytes readOpenFile(std::optional<std::uint8_t> shortId);

    ApduTransport& transport_;
    RandomSource& random_;
    std::optional<SecureMessaging> sm_;
    Selection selection_ = Selection::FileId;
    std::size_t chunkSize_ = 224;
};

} // namespace readerlink::chip
