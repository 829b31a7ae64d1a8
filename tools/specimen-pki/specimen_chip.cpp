#include "specimen_chip.h"

#include "reader/chip/dg2_face.h"
#include "reader/chip/lds_files.h"
#include "reader/virtual/jpeg_codec.h"

#include <algorithm>

namespace readerlink::specimentool {

chip::ChipDocument chipDocumentOf(const virtualreader::Specimen& specimen) {
    if (!specimen.chip)
        throw virtualreader::SpecimenError(specimen.file.string() + ": no chip");
    const virtualreader::ChipSpecimen& chipSpecimen = *specimen.chip;
    chip::ChipDocument contents;
    contents.mrzLines = chipSpecimen.mrz.empty() ? specimen.mrz : chipSpecimen.mrz;
    contents.bacProtected = chipSpecimen.bacProtected;
    contents.dataGroups.clear();
    const auto wanted = [&](int group, bool available) {
        if (!chipSpecimen.dataGroups)
            return available;
        const auto& listed = *chipSpecimen.dataGroups;
        return std::find(listed.begin(), listed.end(), group) != listed.end();
    };
    if (wanted(1, !contents.mrzLines.empty()))
        contents.dataGroups.push_back(1);
    if (wanted(2, !chipSpecimen.face.empty()) && !chipSpecimen.face.empty()) {
        auto face = virtualreader::readFileBytes(chipSpecimen.face);
        if (!face || !chip::sniffImageFormat(*face))
            throw virtualreader::SpecimenError("unreadable face image " +
                                               chipSpecimen.face.string());
        contents.faceImage = std::move(*face);
        contents.dataGroups.push_back(2);
    }
    if (chipSpecimen.dataGroups)
        for (int group : *chipSpecimen.dataGroups)
            if (group > 2)
                contents.dataGroups.push_back(group);
    if (!chipSpecimen.sod.empty())
        if (auto sod = virtualreader::readFileBytes(chipSpecimen.sod))
            contents.efSod = std::move(*sod);
    return contents;
}

std::map<int, chip::Bytes> dataGroupsOf(const chip::ChipDocument& document) {
    const chip::VirtualChip card(document);
    std::map<int, chip::Bytes> groups;
    for (int group : document.dataGroups)
        if (const auto file = chip::ldsFileByNumber(group))
            groups[group] = card.files().at(file->fileId);
    return groups;
}

} // namespace readerlink::specimentool
