#include "reader/chip/mrz_information.h"

#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

// Fields of the line holding the document number: `number` the nine
// printed characters, `checkDigit` the next, `optional` where a long number
// continues.
std::string documentNumberWithCheckDigit(std::string_view number, char checkDigit,
                                         std::string_view optional, bool mayContinue) {
    if (checkDigit != '<' || !mayContinue) return std::string(number) + checkDigit;
    const auto end = optional.find('<');
    const std::string_view rest = optional.substr(0, end);
    if (rest.empty()) return std::string(number) + checkDigit;
    // The last character of the continuation is the check digit of the whole number.
    return std::string(number) + std::string(rest.substr(0, rest.size() - 1)) + rest.back();
}

} // namespace

std::string mrzInformationFromLines(const std::vector<std::string>& lines) {
    if (lines.size() == 3 && lines[0].size() == 30 && lines[1].size() == 30 && lines[2].size() == 30) {
        const std::string& l1 = lines[0];
        const std::string& l2 = lines[1];
        return documentNumberWithCheckDigit(std::string_view(l1).substr(5, 9), l1[14],
                                            std::string_view(l1).substr(15, 15), true) +
               l2.substr(0, 7) + l2.substr(8, 7);
    }
    if (lines.size() == 2 && lines[0].size() == lines[1].size() &&
        (lines[1].size() == 36 || lines[1].size() == 44)) {
        const std::string& l2 = lines[1];
        // TD2 continues long numbers; visas and TD3 do not.
        const bool td2 = l2.size() == 36 && !lines[0].empty() && lines[0][0] != 'V';
        return documentNumberWithCheckDigit(std::string_view(l2).substr(0, 9), l2[9],
                                            std::string_view(l2).substr(28, 7), td2) +
               l2.substr(13, 7) + l2.substr(21, 7);
    }
    throw MalformedDataError("The MRZ lines are not a TD1, TD2 or TD3 zone");
}

std::string mrzInformationFromText(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        if (!line.empty()) lines.emplace_back(line);
        start = end + 1;
    }
    return mrzInformationFromLines(lines);
}

} // namespace readerlink::chip
