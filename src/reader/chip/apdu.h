#pragma once

// ISO 7816-4 command and response APDUs, and the one seam between the reader
// side and a chip: a transport that carries command bytes to the chip and
// brings its response bytes back (the virtual chip, or a contactless reader).

#include <cstddef>
#include <cstdint>
#include <optional>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

namespace sw {
constexpr std::uint16_t kSuccess = 0x9000;
constexpr std::uint16_t kEndOfFileReached = 0x6282;
constexpr std::uint16_t kAuthenticationFailed = 0x6300;
constexpr std::uint16_t kWrongLength = 0x6700;
constexpr std::uint16_t kSecurityStatusNotSatisfied = 0x6982;
constexpr std::uint16_t kConditionsNotSatisfied = 0x6985;
constexpr std::uint16_t kNoCurrentEf = 0x6986;
constexpr std::uint16_t kSmObjectsMissing = 0x6987;
constexpr std::uint16_t kSmObjectsIncorrect = 0x6988;
constexpr std::uint16_t kWrongData = 0x6A80;
constexpr std::uint16_t kFileNotFound = 0x6A82;
constexpr std::uint16_t kWrongP1P2 = 0x6A86;
constexpr std::uint16_t kOffsetOutsideFile = 0x6B00;
constexpr std::uint16_t kInsNotSupported = 0x6D00;
constexpr std::uint16_t kClaNotSupported = 0x6E00;
} // namespace sw

// The instructions an eMRTD reader sends and a chip answers.
namespace ins {
constexpr std::uint8_t kSelect = 0xA4;
constexpr std::uint8_t kGetChallenge = 0x84;
constexpr std::uint8_t kExternalAuthenticate = 0x82;
constexpr std::uint8_t kReadBinary = 0xB0;
// READ BINARY with the offset in a data object (tag 54), past offset 7FFF.
constexpr std::uint8_t kReadBinaryOdd = 0xB1;
} // namespace ins

// Data objects of the odd READ BINARY.
constexpr std::uint32_t kTagOffset = 0x54;
constexpr std::uint32_t kTagDiscretionaryData = 0x53;

struct CommandApdu {
    std::uint8_t cla = 0;
    std::uint8_t ins = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    Bytes data;
    // Expected response length Ne, 1 to 65536; absent when no data is expected.
    std::optional<std::size_t> ne;

    // Short form where data and Ne fit (Ne 256 as 00), extended otherwise.
    Bytes encode() const;
    // Any of the cases 1, 2, 3, 4 in short or extended form; anything else
    // (stray bytes, Lc disagreeing with the data, Lc of zero) is
    // MalformedDataError.
    static CommandApdu parse(ByteView bytes);
};

struct ResponseApdu {
    Bytes data;
    std::uint16_t sw = 0;

    bool ok() const { return sw == sw::kSuccess; }
    Bytes encode() const;
    // At least the two status bytes, else MalformedDataError.
    static ResponseApdu parse(ByteView bytes);
};

class ApduTransport {
public:
    virtual ~ApduTransport() = default;
    // One command to the chip, its whole response (data and status word).
    // A transport that loses the chip throws ChipError.
    virtual Bytes transmit(ByteView command) = 0;
};

} // namespace readerlink::chip
