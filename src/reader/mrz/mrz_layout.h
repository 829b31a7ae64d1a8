#pragma once

// MRZ layouts of ICAO Doc 9303 (TD1, TD2, TD3, MRV-A, MRV-B) parsed into the
// eleven fields the station's record carries, each with its status, and the
// status of every line.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::mrz {

enum class Layout { Unknown, TD1, TD2, TD3, MRVA, MRVB };

// Field statuses as the reader reports them.
constexpr int kStatusOk = 0;
constexpr int kStatusError = 200;        // the lines fit no known layout
constexpr int kStatusIllegalChar = 201;  // a character outside A-Z, 0-9, "<"
constexpr int kStatusChecksum = 203;     // a check digit does not hold

// The record's field codes, in record order.
constexpr std::array<int, 11> kRecordFieldCodes = {10102, 10103, 2113,  2114,  2120, 2132,
                                                   2135,  2136,  2137,  10119, 10130};

// Positions in `ParsedMrz::fields`, in the order of kRecordFieldCodes.
enum RecordField {
    kDocumentType,
    kIssuingState,
    kSurname,
    kGivenNames,
    kDocumentNumber,
    kNationality,
    kDateOfBirth,
    kSex,
    kDateOfExpiry,
    kOptionalData1, // the personal number in a passport
    kOptionalData2, // TD1 line 2
    kRecordFieldCount
};

struct FieldValue {
    std::string value; // fillers turned into blanks and trimmed; empty when absent
    int status = kStatusOk;
};

struct ParsedMrz {
    Layout layout = Layout::Unknown;
    std::vector<std::string> lines;       // as printed
    std::array<int, 3> lineStatus{};      // lines 1-3; 0 for a line that is absent
    std::array<FieldValue, kRecordFieldCount> fields{};

    // The document number as printed (fillers kept; a long TD1/TD2 number
    // joined with its overflow from the optional data) and its check digit:
    // what Basic Access Control keys are made from.
    std::string documentNumberRaw;
    char documentNumberCheckDigit = '<';
    std::string dateOfBirthRaw;
    char dateOfBirthCheckDigit = '<';
    std::string dateOfExpiryRaw;
    char dateOfExpiryCheckDigit = '<';
};

// Splits MRZ text into its lines: at CR and/or LF, dropping empty lines;
// a single run-together line of 90, 88 or 72 characters is cut into the
// lines of TD1, TD3/MRV-A or TD2/MRV-B.
std::vector<std::string> splitMrzText(std::string_view text);

Layout detectLayout(const std::vector<std::string>& lines);

ParsedMrz parseMrz(const std::vector<std::string>& lines);
inline ParsedMrz parseMrz(std::string_view text) { return parseMrz(splitMrzText(text)); }

const char* layoutName(Layout layout);

} // namespace readerlink::mrz
