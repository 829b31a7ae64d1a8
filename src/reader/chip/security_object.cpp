#include "reader/chip/security_object.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

#include <charconv>

namespace readerlink::chip {

namespace {

constexpr std::uint32_t kTagEfSod = 0x77;
constexpr std::uint32_t kTagSequence = 0x30;
constexpr std::uint32_t kTagInteger = 0x02;
constexpr std::uint32_t kTagOctetString = 0x04;
constexpr std::uint32_t kTagOid = 0x06;

[[noreturn]] void malformed(const std::string& what) {
    throw MalformedDataError("Malformed EF.SOD: " + what);
}

// A small non-negative DER INTEGER (version, data group number).
int smallInteger(const TlvObject& object, const char* what) {
    if (object.tag != kTagInteger || object.value.empty() || object.value.size() > 2 ||
        (object.value[0] & 0x80))
        malformed(std::string(what) + " is no small integer");
    int value = 0;
    for (std::uint8_t b : object.value)
        value = value << 8 | b;
    return value;
}

Bytes integer(int value) {
    Bytes bytes;
    do {
        bytes.insert(bytes.begin(), static_cast<std::uint8_t>(value & 0xFF));
        value >>= 8;
    } while (value != 0);
    if (bytes[0] & 0x80)
        bytes.insert(bytes.begin(), 0);
    return encodeTlv(kTagInteger, bytes);
}

} // namespace

Bytes unwrapEfSod(ByteView efSod) {
    const TlvObject outer = parseTlv(efSod);
    if (outer.tag != kTagEfSod)
        malformed("the file does not open with tag 77");
    return Bytes(outer.value.begin(), outer.value.end());
}

Bytes wrapEfSod(ByteView cms) {
    return encodeTlv(kTagEfSod, cms);
}

SecurityObject parseSecurityObject(ByteView der) {
    const TlvObject outer = parseTlv(der);
    if (outer.tag != kTagSequence)
        malformed("the security object is no SEQUENCE");
    const std::vector<TlvObject> fields = parseTlvSequence(outer.value);
    if (fields.size() < 3)
        malformed("the security object lacks fields");
    const int version = smallInteger(fields[0], "the version");
    if (version > 1)
        malformed("unknown security object version " + std::to_string(version));

    SecurityObject object;
    if (fields[1].tag != kTagSequence)
        malformed("the hash algorithm is no SEQUENCE");
    const TlvObject algorithm = parseTlv(fields[1].value);
    if (algorithm.tag != kTagOid || algorithm.value.empty())
        malformed("the hash algorithm has no OID");
    object.hashAlgorithm = oidText(algorithm.value);

    if (fields[2].tag != kTagSequence)
        malformed("the hash list is no SEQUENCE");
    for (const TlvObject& entry : parseTlvSequence(fields[2].value)) {
        if (entry.tag != kTagSequence)
            malformed("a hash entry is no SEQUENCE");
        const std::vector<TlvObject> parts = parseTlvSequence(entry.value);
        if (parts.size() != 2 || parts[1].tag != kTagOctetString || parts[1].value.empty())
            malformed("a hash entry is no number and hash");
        const int group = smallInteger(parts[0], "a data group number");
        if (group < 1 || group > 16)
            malformed("data group number " + std::to_string(group) + " out of range");
        if (object.dataGroupHashes.contains(group))
            malformed("data group " + std::to_string(group) + " is listed twice");
        object.dataGroupHashes[group] = Bytes(parts[1].value.begin(), parts[1].value.end());
    }
    if (object.dataGroupHashes.empty())
        malformed("no data group hashes");
    return object;
}

Bytes encodeSecurityObject(const SecurityObject& object) {
    Bytes hashes;
    for (const auto& [group, hash] : object.dataGroupHashes)
        append(hashes,
               encodeTlv(kTagSequence, concat({integer(group), encodeTlv(kTagOctetString, hash)})));
    // Parameters NULL, as most issuers write them.
    const Bytes algorithm =
        encodeTlv(kTagSequence,
                  concat({encodeTlv(kTagOid, oidValue(object.hashAlgorithm)), Bytes{0x05, 0x00}}));
    return encodeTlv(kTagSequence,
                     concat({integer(0), algorithm, encodeTlv(kTagSequence, hashes)}));
}

std::string oidText(ByteView value) {
    std::string text;
    std::uint64_t arc = 0;
    bool first = true;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (arc > (UINT64_MAX >> 7))
            malformed("an OID arc is too large");
        arc = arc << 7 | (value[i] & 0x7F);
        if (value[i] & 0x80) {
            if (i + 1 == value.size())
                malformed("an OID ends inside an arc");
            continue;
        }
        if (first) {
            const std::uint64_t top = arc < 40 ? 0 : arc < 80 ? 1 : 2;
            text = std::to_string(top) + "." + std::to_string(arc - top * 40);
            first = false;
        } else {
            text += "." + std::to_string(arc);
        }
        arc = 0;
    }
    return text;
}

Bytes oidValue(std::string_view dotted) {
    std::vector<std::uint64_t> arcs;
    while (!dotted.empty()) {
        const std::size_t dot = dotted.find('.');
        const std::string_view part = dotted.substr(0, dot);
        std::uint64_t arc = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), arc);
        if (error != std::errc{} || end != part.data() + part.size())
            throw ChipError("Bad OID text");
        arcs.push_back(arc);
        dotted = dot == std::string_view::npos ? std::string_view{} : dotted.substr(dot + 1);
    }
    if (arcs.size() < 2)
        throw ChipError("Bad OID text");
    arcs[1] += arcs[0] * 40;
    Bytes value;
    for (std::size_t i = 1; i < arcs.size(); ++i) {
        Bytes arc{static_cast<std::uint8_t>(arcs[i] & 0x7F)};
        for (std::uint64_t rest = arcs[i] >> 7; rest != 0; rest >>= 7)
            arc.insert(arc.begin(), static_cast<std::uint8_t>(0x80 | (rest & 0x7F)));
        append(value, arc);
    }
    return value;
}

std::string hashAlgorithmName(std::string_view oid) {
    if (oid == "1.3.14.3.2.26")
        return "SHA-1";
    if (oid == "2.16.840.1.101.3.4.2.4")
        return "SHA-224";
    if (oid == "2.16.840.1.101.3.4.2.1")
        return "SHA-256";
    if (oid == "2.16.840.1.101.3.4.2.2")
        return "SHA-384";
    if (oid == "2.16.840.1.101.3.4.2.3")
        return "SHA-512";
    return std::string(oid);
}

} // namespace readerlink::chip
