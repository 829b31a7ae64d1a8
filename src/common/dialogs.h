#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace readerlink {

// Every modal question the program asks goes through here, so tests answer
// them without a person.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal box with one OK button and the application title as caption.
    virtual void showMessage(std::u16string_view text) = 0;

    // Error-type box (error icon, one OK button, application title).
    virtual void showError(std::u16string_view text) = 0;

    // The input box: nullopt on Cancel.
    virtual std::optional<std::u16string> inputBox(std::u16string_view caption,
                                                   std::u16string_view prompt,
                                                   std::u16string_view initial) = 0;

    // Folder chooser: nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(std::u16string_view title,
                                                    const std::string& initial) = 0;
};

} // namespace readerlink
