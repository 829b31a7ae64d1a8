#include "specimen_chip.h"

#include "reader/chip/dg2_face.h"
#include "reader/chip/lds_files.h"
#include "reader/virtual/specimen_chip_contents.h"

#include <algorithm>

namespace readerlink::specimentool {

chip::ChipDocument chipDocumentOf(const virtualreader::Specimen& specimen) {
    if (!specimen.chip)
        throw virtualreader::SpecimenError(specimen.file.string() + ": no chip");
    auto made = virtualreader::chipContentsOf(specimen);
    // A signed chip must carry the face the specimen names.
    if (!made.unreadableFace.empty())
        throw virtualreader::SpecimenError("unreadable face image " +
                                           made.unreadableFace.string());
    return std::move(made.document);
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
