#include "reader/chip/ber_tlv.h"

#include <cstdio>
#include <string>

#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

constexpr std::size_t kMaxTagBytes = 3;
constexpr std::size_t kMaxLengthBytes = 4;

std::string tagText(std::uint32_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(tag));
    return text;
}

} // namespace

bool TlvObject::constructed() const {
    std::uint32_t first = tag;
    while (first > 0xFF) first >>= 8;
    return (first & 0x20) != 0;
}

std::optional<TlvHeader> peekTlvHeader(ByteView data) {
    if (data.empty()) return std::nullopt;
    std::size_t pos = 0;
    const std::uint8_t first = data[pos++];
    // 00 and FF are fillers between objects in ISO 7816, never a tag.
    if (first == 0x00 || first == 0xFF)
        throw MalformedDataError("Malformed BER-TLV: invalid tag byte " + toHex(data.first(1)));
    std::uint32_t tag = first;
    if ((first & 0x1F) == 0x1F) {
        while (true) {
            if (pos >= kMaxTagBytes)
                throw MalformedDataError("Malformed BER-TLV: tag longer than three bytes");
            if (pos >= data.size()) return std::nullopt;
            const std::uint8_t next = data[pos++];
            tag = tag << 8 | next;
            if ((next & 0x80) == 0) break;
        }
    }
    if (pos >= data.size()) return std::nullopt;
    const std::uint8_t lengthByte = data[pos++];
    std::size_t length = lengthByte;
    if (lengthByte == 0x80)
        throw MalformedDataError("Malformed BER-TLV: indefinite length in tag " + tagText(tag));
    if (lengthByte > 0x80) {
        const std::size_t count = lengthByte & 0x7F;
        if (count > kMaxLengthBytes)
            throw MalformedDataError("Malformed BER-TLV: length field too long in tag " + tagText(tag));
        if (data.size() - pos < count) return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = length << 8 | data[pos++];
    }
    return TlvHeader{tag, pos, length};
}

TlvObject parseTlv(ByteView data) {
    const auto header = peekTlvHeader(data);
    if (!header) throw MalformedDataError("Malformed BER-TLV: truncated tag or length");
    if (data.size() - header->headerSize < header->valueLength)
        throw MalformedDataError("Malformed BER-TLV: value of tag " + tagText(header->tag) +
                                 " runs past the end of the data");
    return TlvObject{header->tag, data.subspan(header->headerSize, header->valueLength),
                     header->headerSize};
}

std::vector<TlvObject> parseTlvSequence(ByteView data) {
    std::vector<TlvObject> objects;
    while (!data.empty()) {
        TlvObject object = parseTlv(data);
        data = data.subspan(object.size());
        objects.push_back(object);
    }
    return objects;
}

std::optional<TlvObject> findTlv(ByteView data, std::uint32_t tag) {
    for (const TlvObject& object : parseTlvSequence(data))
        if (object.tag == tag) return object;
    return std::nullopt;
}

TlvObject requireTlv(ByteView data, std::uint32_t tag, const char* what) {
    if (auto object = findTlv(data, tag)) return *object;
    throw MalformedDataError(std::string("Malformed ") + what + ": tag " + tagText(tag) + " missing");
}

Bytes encodeTag(std::uint32_t tag) {
    Bytes bytes;
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto b = static_cast<std::uint8_t>(tag >> shift);
        if (b != 0 || started || shift == 0) {
            bytes.push_back(b);
            started = true;
        }
    }
    return bytes;
}

Bytes encodeLength(std::size_t length) {
    if (length < 0x80) return {static_cast<std::uint8_t>(length)};
    Bytes digits;
    for (std::size_t rest = length; rest != 0; rest >>= 8)
        digits.insert(digits.begin(), static_cast<std::uint8_t>(rest & 0xFF));
    if (digits.size() > kMaxLengthBytes)
        throw MalformedDataError("BER-TLV value too long to encode");
    digits.insert(digits.begin(), static_cast<std::uint8_t>(0x80 | digits.size()));
    return digits;
}

Bytes encodeTlv(std::uint32_t tag, ByteView value) {
    Bytes out = encodeTag(tag);
    append(out, encodeLength(value.size()));
    append(out, value);
    return out;
}

} // namespace readerlink::chip
