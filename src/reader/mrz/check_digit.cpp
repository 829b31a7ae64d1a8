#include "reader/mrz/check_digit.h"

#include <algorithm>

namespace readerlink::mrz {

std::optional<int> characterValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c == '<')
        return 0;
    return std::nullopt;
}

bool isMrzCharacter(char c) { return characterValue(c).has_value(); }

char computeCheckDigit(std::string_view data) {
    static constexpr int kWeights[3] = {7, 3, 1};
    int sum = 0;
    for (std::size_t i = 0; i < data.size(); ++i)
        sum += characterValue(data[i]).value_or(0) * kWeights[i % 3];
    return static_cast<char>('0' + sum % 10);
}

bool checkDigitHolds(std::string_view data, char checkDigit) {
    if (checkDigit == '<')
        return !data.empty() && std::all_of(data.begin(), data.end(), [](char c) { return c == '<'; });
    return checkDigit == computeCheckDigit(data);
}

} // namespace readerlink::mrz
