#include "reader/chip/dg1_mrz.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {
constexpr std::uint32_t kTagDg1 = 0x61;
constexpr std::uint32_t kTagMrz = 0x5F1F;
} // namespace

Bytes buildDg1(std::string_view mrzCharacters) {
    return encodeTlv(kTagDg1, encodeTlv(kTagMrz, view(mrzCharacters)));
}

std::string parseDg1(ByteView file) {
    const TlvObject outer = parseTlv(file);
    if (outer.tag != kTagDg1) throw MalformedDataError("Malformed DG1: does not start with tag 61");
    const TlvObject mrz = requireTlv(outer.value, kTagMrz, "DG1");
    for (std::uint8_t b : mrz.value)
        if (b < 0x20 || b > 0x7E) throw MalformedDataError("Malformed DG1: MRZ holds a byte that is not text");
    return std::string(mrz.value.begin(), mrz.value.end());
}

} // namespace readerlink::chip
