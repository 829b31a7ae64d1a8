#include "reader/chip/chip_readout.h"

#include "reader/chip/apdu.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/ef_com.h"
#include "reader/chip/lds_files.h"

namespace readerlink::chip {

ChipReadout readWholeChip(BacReader& reader, std::string_view mrzInformation,
                          SignedDataVerifier& verifier) {
    reader.performBac(mrzInformation);
    ChipReadout out;
    out.files[kEfComFile] = reader.readFile(kEfComFile);
    for (int group : parseEfCom(out.files[kEfComFile]).dataGroups)
        out.files[group] = reader.readFile(group);
    try {
        out.efSod = reader.readFileById(kEfSodFileId);
    } catch (const CardStatusError& e) {
        if (e.statusWord() != sw::kFileNotFound)
            throw;
    }
    std::map<int, Bytes> groups(out.files);
    groups.erase(kEfComFile);
    out.passiveAuthentication = checkPassiveAuthentication(verifier, out.efSod, groups);
    return out;
}

} // namespace readerlink::chip
