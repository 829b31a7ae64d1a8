#include "reader/virtual/chip_files.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/ef_com.h"
#include "reader/chip/lds_files.h"

namespace readerlink::virtualreader {

std::optional<ChipFileContent> resolveChipFile(chip::ByteView file) {
    try {
        const chip::TlvObject top = chip::parseTlv(file);
        if (top.size() != file.size())
            return std::nullopt;
        const auto efCom = chip::ldsFileByNumber(chip::kEfComFile);
        if (top.tag == efCom->tag)
            return EfComContent{chip::fileMaskOf(chip::parseEfCom(file))};
        if (top.tag > 0xFF)
            return std::nullopt;
        const auto group = chip::dataGroupByTag(static_cast<std::uint8_t>(top.tag));
        if (group && group->number == 1)
            return Dg1Content{chip::parseDg1(file)};
        if (group && group->number == 2)
            return chip::parseDg2(file);
        return OtherContent{static_cast<std::uint8_t>(top.tag)};
    } catch (const chip::ChipError&) {
        return std::nullopt;
    }
}

} // namespace readerlink::virtualreader
