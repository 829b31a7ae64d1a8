#pragma once

// ICAO Doc 9303 check digits: weights 7, 3, 1 over character values
// (digits as themselves, A-Z as 10-35, the filler "<" as 0), modulo 10.

#include <optional>
#include <string_view>

namespace readerlink::mrz {

// The character's value, or nullopt for a character the MRZ does not allow.
std::optional<int> characterValue(char c);

// Whether c may appear in an MRZ: A-Z, 0-9 or "<".
bool isMrzCharacter(char c);

// The check digit of `data` as a character '0'-'9'. Characters outside the
// MRZ set count as 0 (the line is rejected for them anyway).
char computeCheckDigit(std::string_view data);

// Whether the printed `checkDigit` holds for `data`. An unused field (all
// fillers) may carry the filler as its check digit.
bool checkDigitHolds(std::string_view data, char checkDigit);

} // namespace readerlink::mrz
