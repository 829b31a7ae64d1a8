#include "reader/mrz/mrz_layout.h"

#include <algorithm>

#include "reader/mrz/check_digit.h"

namespace readerlink::mrz {

namespace {

std::string_view piece(std::string_view line, std::size_t from, std::size_t count) {
    if (from >= line.size())
        return {};
    return line.substr(from, count);
}

char charAt(std::string_view line, std::size_t at) { return at < line.size() ? line[at] : '<'; }

std::string trimBlanks(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Fillers become blanks; the result is trimmed.
std::string cleanField(std::string_view raw) {
    std::string text(raw);
    std::replace(text.begin(), text.end(), '<', ' ');
    return trimBlanks(std::move(text));
}

bool hasIllegal(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return !isMrzCharacter(c); });
}

FieldValue plainField(std::string_view raw) {
    return {cleanField(raw), hasIllegal(raw) ? kStatusIllegalChar : kStatusOk};
}

FieldValue checkedField(std::string_view raw, char checkDigit) {
    if (hasIllegal(raw) || !isMrzCharacter(checkDigit))
        return {cleanField(raw), kStatusIllegalChar};
    return {cleanField(raw), checkDigitHolds(raw, checkDigit) ? kStatusOk : kStatusChecksum};
}

// The name field: primary identifier, "<<", secondary identifier.
void parseName(std::string_view raw, ParsedMrz& out) {
    const int status = hasIllegal(raw) ? kStatusIllegalChar : kStatusOk;
    const auto split = raw.find("<<");
    if (split == std::string_view::npos) {
        out.fields[kSurname] = {cleanField(raw), status};
        out.fields[kGivenNames] = {{}, status};
        return;
    }
    out.fields[kSurname] = {cleanField(raw.substr(0, split)), status};
    out.fields[kGivenNames] = {cleanField(raw.substr(split + 2)), status};
}

// A document number longer than nine characters: the ninth position's check
// digit is a filler and the rest of the number, with its check digit, opens
// the optional data up to the next filler.
struct DocumentNumber {
    std::string raw;
    char checkDigit = '<';
    std::string_view optionalRest; // optional data after the overflow
};

DocumentNumber documentNumber(std::string_view first9, char checkDigit, std::string_view optional) {
    if (checkDigit != '<' || optional.empty() || optional.front() == '<')
        return {std::string(first9), checkDigit, optional};
    const auto end = std::min(optional.find('<'), optional.size());
    const auto overflow = optional.substr(0, end);
    DocumentNumber number;
    number.raw = std::string(first9) + std::string(overflow.substr(0, overflow.size() - 1));
    number.checkDigit = overflow.back();
    number.optionalRest = optional.substr(std::min(end + 1, optional.size()));
    return number;
}

void setDocumentNumber(const DocumentNumber& number, ParsedMrz& out) {
    out.documentNumberRaw = number.raw;
    out.documentNumberCheckDigit = number.checkDigit;
    out.fields[kDocumentNumber] = checkedField(number.raw, number.checkDigit);
}

void setDates(std::string_view line, std::size_t birthAt, std::size_t expiryAt, ParsedMrz& out) {
    out.dateOfBirthRaw = std::string(piece(line, birthAt, 6));
    out.dateOfBirthCheckDigit = charAt(line, birthAt + 6);
    out.dateOfExpiryRaw = std::string(piece(line, expiryAt, 6));
    out.dateOfExpiryCheckDigit = charAt(line, expiryAt + 6);
    out.fields[kDateOfBirth] = checkedField(out.dateOfBirthRaw, out.dateOfBirthCheckDigit);
    out.fields[kDateOfExpiry] = checkedField(out.dateOfExpiryRaw, out.dateOfExpiryCheckDigit);
}

bool holds(std::string_view data, char checkDigit) { return checkDigitHolds(data, checkDigit); }

// TD3 and MRV-A share line 1; TD2 and MRV-B likewise (shorter name field).
void parseTopLine(std::string_view line, ParsedMrz& out) {
    out.fields[kDocumentType] = plainField(piece(line, 0, 2));
    out.fields[kIssuingState] = plainField(piece(line, 2, 3));
    parseName(piece(line, 5, std::string_view::npos), out);
}

// Line 2 of TD3, TD2, MRV-A and MRV-B up to the date of expiry; returns
// whether the check digits of that part hold.
bool parseBottomLineHead(std::string_view line, std::string_view optional, ParsedMrz& out) {
    setDocumentNumber(documentNumber(piece(line, 0, 9), charAt(line, 9), optional), out);
    out.fields[kNationality] = plainField(piece(line, 10, 3));
    setDates(line, 13, 21, out);
    out.fields[kSex] = plainField(piece(line, 20, 1));
    return out.fields[kDocumentNumber].status == kStatusOk &&
           out.fields[kDateOfBirth].status == kStatusOk &&
           out.fields[kDateOfExpiry].status == kStatusOk;
}

void parseTd3(const std::vector<std::string>& l, ParsedMrz& out) {
    parseTopLine(l[0], out);
    bool ok = parseBottomLineHead(l[1], {}, out);
    const auto personal = piece(l[1], 28, 14);
    out.fields[kOptionalData1] = checkedField(personal, charAt(l[1], 42));
    ok = ok && out.fields[kOptionalData1].status == kStatusOk;
    const std::string composite =
        std::string(piece(l[1], 0, 10)) + std::string(piece(l[1], 13, 7)) + std::string(piece(l[1], 21, 22));
    ok = ok && holds(composite, charAt(l[1], 43));
    out.lineStatus[1] = ok ? kStatusOk : kStatusChecksum;
}

void parseTd2(const std::vector<std::string>& l, ParsedMrz& out) {
    parseTopLine(l[0], out);
    const auto optional = piece(l[1], 28, 7);
    bool ok = parseBottomLineHead(l[1], optional, out);
    const DocumentNumber number = documentNumber(piece(l[1], 0, 9), charAt(l[1], 9), optional);
    out.fields[kOptionalData1] = plainField(number.optionalRest);
    const std::string composite =
        std::string(piece(l[1], 0, 10)) + std::string(piece(l[1], 13, 7)) + std::string(piece(l[1], 21, 14));
    ok = ok && holds(composite, charAt(l[1], 35));
    out.lineStatus[1] = ok ? kStatusOk : kStatusChecksum;
}

void parseMrv(const std::vector<std::string>& l, std::size_t lineLength, ParsedMrz& out) {
    parseTopLine(l[0], out);
    const bool ok = parseBottomLineHead(l[1], {}, out);
    out.fields[kOptionalData1] = plainField(piece(l[1], 28, lineLength - 28));
    out.lineStatus[1] = ok ? kStatusOk : kStatusChecksum;
}

void parseTd1(const std::vector<std::string>& l, ParsedMrz& out) {
    out.fields[kDocumentType] = plainField(piece(l[0], 0, 2));
    out.fields[kIssuingState] = plainField(piece(l[0], 2, 3));
    const auto optional = piece(l[0], 15, 15);
    const DocumentNumber number = documentNumber(piece(l[0], 5, 9), charAt(l[0], 14), optional);
    setDocumentNumber(number, out);
    out.fields[kOptionalData1] = plainField(number.optionalRest);
    out.lineStatus[0] = out.fields[kDocumentNumber].status == kStatusOk ? kStatusOk : kStatusChecksum;

    setDates(l[1], 0, 8, out);
    out.fields[kSex] = plainField(piece(l[1], 7, 1));
    out.fields[kNationality] = plainField(piece(l[1], 15, 3));
    out.fields[kOptionalData2] = plainField(piece(l[1], 18, 11));
    const std::string composite = std::string(piece(l[0], 5, 25)) + std::string(piece(l[1], 0, 7)) +
                                  std::string(piece(l[1], 8, 7)) + std::string(piece(l[1], 18, 11));
    const bool ok = out.fields[kDateOfBirth].status == kStatusOk &&
                    out.fields[kDateOfExpiry].status == kStatusOk && holds(composite, charAt(l[1], 29));
    out.lineStatus[1] = ok ? kStatusOk : kStatusChecksum;

    parseName(l[2], out);
}

} // namespace

std::vector<std::string> splitMrzText(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!current.empty())
                lines.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    if (lines.size() == 1) {
        const std::string one = lines.front();
        std::size_t width = 0;
        if (one.size() == 90)
            width = 30;
        else if (one.size() == 88)
            width = 44;
        else if (one.size() == 72)
            width = 36;
        if (width != 0) {
            lines.clear();
            for (std::size_t at = 0; at < one.size(); at += width)
                lines.push_back(one.substr(at, width));
        }
    }
    return lines;
}

Layout detectLayout(const std::vector<std::string>& lines) {
    const auto allOf = [&](std::size_t count, std::size_t width) {
        return lines.size() == count &&
               std::all_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.size() == width; });
    };
    if (allOf(3, 30))
        return Layout::TD1;
    if (allOf(2, 44))
        return lines[0].front() == 'V' ? Layout::MRVA : Layout::TD3;
    if (allOf(2, 36))
        return lines[0].front() == 'V' ? Layout::MRVB : Layout::TD2;
    return Layout::Unknown;
}

ParsedMrz parseMrz(const std::vector<std::string>& lines) {
    ParsedMrz out;
    out.lines = lines;
    out.layout = detectLayout(lines);
    switch (out.layout) {
    case Layout::TD1:
        parseTd1(lines, out);
        break;
    case Layout::TD2:
        parseTd2(lines, out);
        break;
    case Layout::TD3:
        parseTd3(lines, out);
        break;
    case Layout::MRVA:
        parseMrv(lines, 44, out);
        break;
    case Layout::MRVB:
        parseMrv(lines, 36, out);
        break;
    case Layout::Unknown:
        for (std::size_t i = 0; i < lines.size() && i < 3; ++i)
            out.lineStatus[i] = kStatusError;
        break;
    }
    // An illegal character outweighs every check digit of its line.
    for (std::size_t i = 0; i < lines.size() && i < 3; ++i)
        if (hasIllegal(lines[i]))
            out.lineStatus[i] = kStatusIllegalChar;
    return out;
}

const char* layoutName(Layout layout) {
    switch (layout) {
    case Layout::TD1:
        return "TD1";
    case Layout::TD2:
        return "TD2";
    case Layout::TD3:
        return "TD3";
    case Layout::MRVA:
        return "MRV-A";
    case Layout::MRVB:
        return "MRV-B";
    case Layout::Unknown:
        break;
    }
    return "unknown";
}

} // namespace readerlink::mrz
