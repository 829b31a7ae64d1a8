#include "reader/chip/mrz_information.h"

#include "reader/chip/chip_error.h"
#include "reader/mrz/bac_information.h"

namespace readerlink::chip {

// The MRZ parser owns the layouts; this only gives the chip layer its error.
std::string mrzInformationFromText(std::string_view text) {
    if (auto information = mrz::bacMrzInformation(text))
        return *std::move(information);
    throw MalformedDataError("The MRZ lines are not a TD1, TD2 or TD3 zone");
}

std::string mrzInformationFromLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return mrzInformationFromText(text);
}

} // namespace readerlink::chip
