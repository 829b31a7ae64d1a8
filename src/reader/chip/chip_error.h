#pragma once

// Failures of the chip layer. Every one carries a text fit for the activity
// log; the subclasses let a caller tell an absent file from a refused BAC.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/text.h"

namespace readerlink::chip {

class ChipError : public Error {
public:
    explicit ChipError(std::string_view message) : Error(fromUtf8(message)) {}
};

// Data that does not follow the encoding rules (BER-TLV, LDS files, images).
class MalformedDataError : public ChipError {
public:
    using ChipError::ChipError;
};

// The chip answered a command with a status word other than success.
class CardStatusError : public ChipError {
public:
    CardStatusError(std::string_view what, std::uint16_t statusWord);
    std::uint16_t statusWord() const noexcept { return statusWord_; }

private:
    std::uint16_t statusWord_;
};

// Basic Access Control did not open the chip (wrong MRZ, or a chip whose
// answer does not prove it knows the keys).
class BacError : public ChipError {
public:
    using ChipError::ChipError;
};

// A secured exchange broke (bad MAC, missing data objects); the session is
// over and BAC must be run again. `statusWord` is what a chip answers for it:
// 6987 when objects are missing, 6988 when they are wrong.
class SecureMessagingError : public ChipError {
public:
    explicit SecureMessagingError(std::string_view message, std::uint16_t statusWord = 0x6988)
        : ChipError(message), statusWord_(statusWord) {}
    std::uint16_t statusWord() const noexcept { return statusWord_; }

private:
    std::uint16_t statusWord_;
};

// "6982" style text for a status word.
std::string statusWordText(std::uint16_t statusWord);

} // namespace readerlink::chip
