#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/text.h"

namespace readerlink {

// An error carrying the program's own text, shown as it stands by the
// application's default error display.
class Error : public std::runtime_error {
public:
    explicit Error(std::u16string message)
        : std::runtime_error(toUtf8(message)), message_(std::move(message)) {}
    const std::u16string& message() const noexcept { return message_; }

private:
    std::u16string message_;
};

// The message of any exception, as the error display shows it.
inline std::u16string messageOf(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Error*>(&e))
        return own->message();
    return fromUtf8(e.what());
}

// The default error display appends "." when the message's last character
// code is above that of ".".
inline std::u16string errorDisplayText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.')
        text.push_back(u'.');
    return text;
}

} // namespace readerlink
