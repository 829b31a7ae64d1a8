#include "reader/mrz/bac_information.h"

namespace readerlink::mrz {

std::optional<std::string> bacMrzInformation(const ParsedMrz& mrz) {
    if (mrz.layout == Layout::Unknown)
        return std::nullopt;
    if (mrz.documentNumberRaw.size() < 9 || mrz.dateOfBirthRaw.size() != 6 ||
        mrz.dateOfExpiryRaw.size() != 6)
        return std::nullopt;
    std::string info = mrz.documentNumberRaw;
    info.push_back(mrz.documentNumberCheckDigit);
    info += mrz.dateOfBirthRaw;
    info.push_back(mrz.dateOfBirthCheckDigit);
    info += mrz.dateOfExpiryRaw;
    info.push_back(mrz.dateOfExpiryCheckDigit);
    return info;
}

std::optional<std::string> bacMrzInformation(std::string_view mrzText) {
    return bacMrzInformation(parseMrz(mrzText));
}

} // namespace readerlink::mrz
