#include "reader/archive_names.h"

#include "common/text.h"

#include <charconv>

namespace readerlink::reader {

namespace {

// Characters first..first+count-1 (1-based) of text, cut short at its end.
std::u16string_view piece(std::u16string_view text, std::size_t first, std::size_t count) {
    if (first - 1 >= text.size())
        return {};
    return text.substr(first - 1, count);
}

bool allowedInName(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u' ' || c == u'-' || c == u'<';
}

} // namespace

std::u16string safeNamePart(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if (!allowedInName(c))
            c = u' ';
    }
    return out;
}

std::u16string cleanName(std::u16string_view name) {
    std::u16string out(name);
    for (auto& c : out) {
        if (c == u'<')
            c = u' ';
    }
    return trimControls(out);
}

std::u16string passportNamePieces(std::u16string_view mrzLine2) {
    return safeNamePart(piece(mrzLine2, 11, 3)) + u"-" + safeNamePart(piece(mrzLine2, 1, 9));
}

std::u16string visaName(std::u16string_view mrzLine2) {
    return cleanName(safeNamePart(piece(mrzLine2, 1, 9)) + u"-" +
                     safeNamePart(piece(mrzLine2, 29, 10)));
}

std::u16string portraitName(std::u16string_view secondLine) {
    return cleanName(safeNamePart(piece(secondLine, 1, 9)));
}

long long daysSince18991230(int year, int month, int day) {
    // Days from civil (proleptic Gregorian), counted from 1970-01-01.
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long fromEpoch = era * 146097 + doe - 719468;
    constexpr long long kEpochFrom18991230 = 25569;
    return fromEpoch + kEpochFrom18991230;
}

std::u16string ClockName(const LocalDateTime& time, std::u16string_view decimalSeparator) {
    const double msOfDay =
        ((time.hour * 60.0 + time.minute) * 60.0 + time.second) * 1000.0 + time.millisecond;
    const double days = static_cast<double>(daysSince18991230(time.year, time.month, time.day)) +
                        msOfDay / 86400000.0;
    char buffer[64];
    // to_chars ignores the C locale, so the separator is ours to choose.
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, days, std::chars_format::general, 15);
    std::u16string out;
    for (const char* p = buffer; p != result.ptr; ++p) {
        if (*p == '.')
            out.append(decimalSeparator);
        else
            out.push_back(static_cast<char16_t>(*p));
    }
    return out;
}

} // namespace readerlink::reader
