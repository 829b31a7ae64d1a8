#include "reader/chip/apdu.h"

#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

constexpr std::size_t kShortMaxData = 255;
constexpr std::size_t kShortMaxNe = 256;
constexpr std::size_t kExtendedMaxData = 65535;
constexpr std::size_t kExtendedMaxNe = 65536;

std::size_t shortNe(std::uint8_t le) { return le == 0 ? 256 : le; }
std::size_t extendedNe(std::uint8_t hi, std::uint8_t lo) {
    const std::size_t value = static_cast<std::size_t>(hi) << 8 | lo;
    return value == 0 ? 65536 : value;
}

} // namespace

Bytes CommandApdu::encode() const {
    Bytes out{cla, ins, p1, p2};
    if (ne && (*ne == 0 || *ne > kExtendedMaxNe))
        throw ChipError("Command APDU: expected length out of range");
    if (data.size() > kExtendedMaxData) throw ChipError("Command APDU: data too long");
    const bool extended = data.size() > kShortMaxData || (ne && *ne > kShortMaxNe);
    if (!extended) {
        if (!data.empty()) {
            out.push_back(static_cast<std::uint8_t>(data.size()));
            append(out, data);
        }
        if (ne) out.push_back(static_cast<std::uint8_t>(*ne == 256 ? 0 : *ne));
        return out;
    }
    out.push_back(0x00);
    if (!data.empty()) {
        out.push_back(static_cast<std::uint8_t>(data.size() >> 8));
        out.push_back(static_cast<std::uint8_t>(data.size()));
        append(out, data);
    }
    if (ne) {
        const std::size_t le = *ne == 65536 ? 0 : *ne;
        out.push_back(static_cast<std::uint8_t>(le >> 8));
        out.push_back(static_cast<std::uint8_t>(le));
    }
    return out;
}

CommandApdu CommandApdu::parse(ByteView bytes) {
    if (bytes.size() < 4) throw MalformedDataError("Command APDU shorter than its header");
    CommandApdu apdu{bytes[0], bytes[1], bytes[2], bytes[3], {}, std::nullopt};
    const ByteView body = bytes.subspan(4);
    if (body.empty()) return apdu; // case 1
    if (body.size() == 1) {        // case 2 short
        apdu.ne = shortNe(body[0]);
        return apdu;
    }
    if (body[0] != 0) { // short with Lc
        const std::size_t lc = body[0];
        if (body.size() == 1 + lc) {
            apdu.data.assign(body.begin() + 1, body.end());
            return apdu;
        }
        if (body.size() == 2 + lc) {
            apdu.data.assign(body.begin() + 1, body.end() - 1);
            apdu.ne = shortNe(body.back());
            return apdu;
        }
        throw MalformedDataError("Command APDU: Lc does not match the data");
    }
    // Extended forms start with a 00 byte.
    if (body.size() == 3) { // case 2 extended
        apdu.ne = extendedNe(body[1], body[2]);
        return apdu;
    }
    if (body.size() < 3) throw MalformedDataError("Command APDU: truncated extended length");
    const std::size_t lc = static_cast<std::size_t>(body[1]) << 8 | body[2];
    if (lc == 0) throw MalformedDataError("Command APDU: extended Lc of zero");
    if (body.size() == 3 + lc) {
        apdu.data.assign(body.begin() + 3, body.end());
        return apdu;
    }
    if (body.size() == 5 + lc) {
        apdu.data.assign(body.begin() + 3, body.end() - 2);
        apdu.ne = extendedNe(body[body.size() - 2], body.back());
        return apdu;
    }
    throw MalformedDataError("Command APDU: extended Lc does not match the data");
}

Bytes ResponseApdu::encode() const {
    Bytes out = data;
    out.push_back(static_cast<std::uint8_t>(sw >> 8));
    out.push_back(static_cast<std::uint8_t>(sw));
    return out;
}

ResponseApdu ResponseApdu::parse(ByteView bytes) {
    if (bytes.size() < 2) throw MalformedDataError("Response APDU shorter than its status word");
    ResponseApdu response;
    response.data.assign(bytes.begin(), bytes.end() - 2);
    response.sw = static_cast<std::uint16_t>(bytes[bytes.size() - 2] << 8 | bytes.back());
    return response;
}

} // namespace readerlink::chip
