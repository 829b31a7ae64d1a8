#include "reader/chip/chip_error.h"

#include <cstdio>

namespace readerlink::chip {

CardStatusError::CardStatusError(std::string_view what, std::uint16_t statusWord)
    : ChipError(std::string(what) + " (status " + statusWordText(statusWord) + ")"), statusWord_(statusWord) {}

std::string statusWordText(std::uint16_t statusWord) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(statusWord));
    return text;
}

} // namespace readerlink::chip
