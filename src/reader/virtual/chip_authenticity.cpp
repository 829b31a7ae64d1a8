#include "reader/virtual/chip_authenticity.h"

#include "reader/chip/chip_error.h"
#include "reader/chip/lds_files.h"
#include "reader/chip/passive_authentication.h"

namespace readerlink::virtualreader {

void reportAuthenticity(chip::BacReader& reader, const std::map<int, chip::Bytes>& dataGroups,
                        const ChipAuthenticity& authenticity) {
    if (!authenticity.report || dataGroups.empty())
        return;
    chip::Bytes sod;
    try {
        sod = reader.readFileById(chip::kEfSodFileId);
    } catch (const chip::ChipError&) {
        // No EF.SOD, or the card went: the check says "no EF.SOD".
    }
    const auto verifier = chip::makeSignedDataVerifier(authenticity.trustFolder);
    authenticity.report(chip::checkPassiveAuthentication(*verifier, sod, dataGroups).logLine());
}

} // namespace readerlink::virtualreader
