#include "reader/virtual/specimen_chip_contents.h"

#include "reader/chip/dg2_face.h"
#include "reader/virtual/jpeg_codec.h"

#include <algorithm>

namespace readerlink::virtualreader {

SpecimenChipContents chipContentsOf(const Specimen& specimen) {
    const ChipSpecimen chipSpecimen = specimen.chip ? *specimen.chip : ChipSpecimen{};
    SpecimenChipContents made;
    chip::ChipDocument& contents = made.document;
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
        auto face = readFileBytes(chipSpecimen.face);
        if (face && chip::sniffImageFormat(*face)) {
            contents.faceImage = std::move(*face);
            contents.dataGroups.push_back(2);
        } else {
            made.unreadableFace = chipSpecimen.face;
        }
    }
    // Further listed groups hold their bare tag, enough to be read and resolved.
    if (chipSpecimen.dataGroups)
        for (int group : *chipSpecimen.dataGroups)
            if (group > 2)
                contents.dataGroups.push_back(group);
    if (!chipSpecimen.sod.empty())
        if (auto sod = readFileBytes(chipSpecimen.sod))
            contents.efSod = std::move(*sod);
    return made;
}

} // namespace readerlink::virtualreader
