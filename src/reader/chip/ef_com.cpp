#include "reader/chip/ef_com.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/lds_files.h"

namespace readerlink::chip {

namespace {
constexpr std::uint32_t kTagEfCom = 0x60;
constexpr std::uint32_t kTagLdsVersion = 0x5F01;
constexpr std::uint32_t kTagUnicodeVersion = 0x5F36;
constexpr std::uint32_t kTagList = 0x5C;
} // namespace

Bytes buildEfCom(const EfCom& contents) {
    Bytes tags;
    for (int group : contents.dataGroups) {
        const auto file = ldsFileByNumber(group);
        if (!file || group == kEfComFile) throw ChipError("EF.COM: no data group " + std::to_string(group));
        tags.push_back(file->tag);
    }
    Bytes inner = encodeTlv(kTagLdsVersion, view(contents.ldsVersion));
    append(inner, encodeTlv(kTagUnicodeVersion, view(contents.unicodeVersion)));
    append(inner, encodeTlv(kTagList, tags));
    return encodeTlv(kTagEfCom, inner);
}

EfCom parseEfCom(ByteView file) {
    const TlvObject outer = parseTlv(file);
    if (outer.tag != kTagEfCom) throw MalformedDataError("Malformed EF.COM: does not start with tag 60");
    EfCom contents;
    contents.ldsVersion.clear();
    contents.unicodeVersion.clear();
    if (auto version = findTlv(outer.value, kTagLdsVersion))
        contents.ldsVersion.assign(version->value.begin(), version->value.end());
    if (auto version = findTlv(outer.value, kTagUnicodeVersion))
        contents.unicodeVersion.assign(version->value.begin(), version->value.end());
    const TlvObject list = requireTlv(outer.value, kTagList, "EF.COM");
    for (std::uint8_t tag : list.value)
        if (auto file = dataGroupByTag(tag)) contents.dataGroups.push_back(file->number);
    return contents;
}

std::uint32_t fileMaskOf(const EfCom& contents) {
    std::uint32_t mask = 1u << kEfComFile;
    for (int group : contents.dataGroups)
        if (group >= 0 && group < 32) mask |= 1u << group;
    return mask;
}

} // namespace readerlink::chip
