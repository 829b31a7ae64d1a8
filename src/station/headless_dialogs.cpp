#include "station/headless_dialogs.h"

#include "common/text.h"
#include "station/app_identity.h"

#include <ostream>

namespace readerlink::station {

void HeadlessDialogs::showMessage(std::u16string_view text) {
    out_ << toUtf8(kApplicationTitle) << ": " << toUtf8(text) << std::endl;
}

void HeadlessDialogs::showError(std::u16string_view text) {
    out_ << toUtf8(kApplicationTitle) << ": error: " << toUtf8(text) << std::endl;
}

std::optional<std::u16string> HeadlessDialogs::inputBox(std::u16string_view caption,
                                                        std::u16string_view, std::u16string_view) {
    out_ << toUtf8(kApplicationTitle) << ": \"" << toUtf8(caption)
         << "\" needs an answer on screen; cancelled" << std::endl;
    return std::nullopt;
}

std::optional<std::string> HeadlessDialogs::chooseFolder(std::u16string_view title,
                                                         const std::string&) {
    out_ << toUtf8(kApplicationTitle) << ": \"" << toUtf8(title)
         << "\" needs an answer on screen; cancelled" << std::endl;
    return std::nullopt;
}

} // namespace readerlink::station
