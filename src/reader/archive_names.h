#pragma once

// File names of the image archive. Names cut from the MRZ are text read off
// a document: only letters, digits, blank, "-" and "<" may reach a path.

#include "reader/local_clock.h"

#include <string>
#include <string_view>

namespace readerlink::reader {

// Every code unit other than an ASCII letter, digit, blank, "-" or "<"
// becomes a blank, so no separator, dot, NUL or control character survives.
std::u16string safeNamePart(std::u16string_view text);

// "<" to blank, then blanks and control characters trimmed off both ends.
std::u16string cleanName(std::u16string_view name);

// Characters 11-13 of MRZ line 2, "-", characters 1-9, not yet cleaned.
std::u16string passportNamePieces(std::u16string_view mrzLine2);

// Characters 1-9 of MRZ line 2, "-", characters 29-38, cleaned like a
// passport name: "<" is no character for a file name on every system.
std::u16string visaName(std::u16string_view mrzLine2);

// Characters 1-9 of the second MRZ line, cleaned.
std::u16string portraitName(std::u16string_view secondLine);

// Days since 30 December 1899 plus the fraction of the day, at most 15
// significant digits, no exponent, no trailing zeros.
std::u16string ClockName(const LocalDateTime& time, std::u16string_view decimalSeparator);

// Whole days from 30 December 1899 to the given civil date.
long long daysSince18991230(int year, int month, int day);

} // namespace readerlink::reader
