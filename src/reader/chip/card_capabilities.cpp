#include "reader/chip/card_capabilities.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

#include <algorithm>

namespace readerlink::chip {

namespace {

constexpr std::uint8_t kExtendedLengthBit = 0x40;
constexpr std::uint32_t kTagExtendedLengthInfo = 0x7F66;
constexpr std::uint32_t kTagCardCapabilities = 0x47;
// Secured answer around n plain bytes: DO'87' (tag, up to three length bytes,
// padding indicator, at most eight padding bytes), DO'99' and DO'8E'.
constexpr std::size_t kSecuredOverhead = 1 + 3 + 1 + 8 + 4 + 10;
// The odd READ BINARY wraps the plain bytes in DO'53' as well.
constexpr std::size_t kWrappedOverhead = 1 + 3;

std::optional<ExtendedLength> fromCapabilities(ByteView capabilities) {
    if (capabilities.size() >= 3 && (capabilities[2] & kExtendedLengthBit))
        return ExtendedLength{};
    return std::nullopt;
}

std::size_t unsignedValue(const TlvObject& object) {
    if (object.tag != 0x02 || object.value.empty() || object.value.size() > 3)
        return 0;
    std::size_t value = 0;
    for (std::uint8_t b : object.value)
        value = value << 8 | b;
    return value;
}

} // namespace

std::optional<ExtendedLength> extendedLengthFromAtr(ByteView atr) {
    if (atr.size() < 2 || (atr[0] != 0x3B && atr[0] != 0x3F))
        return std::nullopt;
    const std::size_t historical = atr[1] & 0x0F;
    // Interface bytes: each TDi names which of TA, TB, TC, TD follow.
    std::size_t pos = 1;
    std::uint8_t indicator = atr[1];
    while (true) {
        std::size_t present = 0;
        for (std::uint8_t bit = 0x10; bit != 0; bit <<= 1)
            if (indicator & bit)
                ++present;
        const bool more = indicator & 0x80;
        pos += present;
        if (!more || pos >= atr.size())
            break;
        indicator = atr[pos];
    }
    ++pos;
    if (pos + historical > atr.size() || historical == 0)
        return std::nullopt;
    const ByteView bytes = atr.subspan(pos, historical);
    // Category 80 and 00 are followed by compact-TLV objects (00 keeps three
    // status bytes at the end).
    if (bytes[0] != 0x80 && bytes[0] != 0x00)
        return std::nullopt;
    const std::size_t end =
        bytes[0] == 0x00 ? std::max<std::size_t>(bytes.size(), 4) - 3 : bytes.size();
    for (std::size_t i = 1; i < end;) {
        const std::size_t length = bytes[i] & 0x0F;
        if (i + 1 + length > end)
            break;
        if ((bytes[i] & 0xF0) == 0x70)
            return fromCapabilities(bytes.subspan(i + 1, length));
        i += 1 + length;
    }
    return std::nullopt;
}

std::optional<ExtendedLength> extendedLengthFromAtrInfo(ByteView file) {
    try {
        for (const TlvObject& object : parseTlvSequence(file)) {
            if (object.tag == kTagExtendedLengthInfo) {
                const std::vector<TlvObject> sizes = parseTlvSequence(object.value);
                if (sizes.size() < 2)
                    return std::nullopt;
                const std::size_t command = unsignedValue(sizes[0]);
                const std::size_t response = unsignedValue(sizes[1]);
                if (command <= 261 && response <= 258)
                    return std::nullopt;
                return ExtendedLength{command, response};
            }
            if (object.tag == kTagCardCapabilities) {
                if (auto found = fromCapabilities(object.value))
                    return found;
            }
        }
    } catch (const MalformedDataError&) {
    }
    return std::nullopt;
}

std::optional<ExtendedLength> probeExtendedLength(ApduTransport& transport, ByteView atr) {
    try {
        const auto send = [&](const CommandApdu& command) {
            return ResponseApdu::parse(transport.transmit(command.encode()));
        };
        if (send({0x00, ins::kSelect, 0x00, 0x0C, {0x2F, 0x01}, std::nullopt}).ok()) {
            const ResponseApdu file = send({0x00, ins::kReadBinary, 0x00, 0x00, {}, 256});
            if (file.ok() || file.sw == sw::kEndOfFileReached)
                if (auto found = extendedLengthFromAtrInfo(file.data))
                    return found;
        }
    } catch (const MalformedDataError&) {
    }
    return extendedLengthFromAtr(atr);
}

std::size_t securedReadSize(const ExtendedLength& length) {
    const std::size_t limit = std::min<std::size_t>(length.maxResponse, 65536);
    const std::size_t overhead = kSecuredOverhead + kWrappedOverhead;
    return limit > overhead ? limit - overhead : 0;
}

} // namespace readerlink::chip
