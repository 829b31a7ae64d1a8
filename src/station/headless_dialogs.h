#pragma once

// Dialogs for a station without a screen (the offscreen platform): nobody can
// answer a box there, so messages go to the error stream and every question
// is answered with Cancel instead of waiting for ever.

#include "common/dialogs.h"

#include <iosfwd>

namespace readerlink::station {

class HeadlessDialogs : public Dialogs {
public:
    explicit HeadlessDialogs(std::ostream& out) : out_(out) {}

    void showMessage(std::u16string_view text) override;
    void showError(std::u16string_view text) override;
    std::optional<std::u16string> inputBox(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override;
    std::optional<std::string> chooseFolder(std::u16string_view title,
                                            const std::string& initial) override;

private:
    std::ostream& out_;
};

} // namespace readerlink::station
