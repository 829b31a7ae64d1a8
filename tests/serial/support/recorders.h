#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/recording_log.h"
#include "common/dialogs.h"

namespace readerlink::testing {

class RecordingDialogs : public Dialogs {
public:
    void showMessage(std::u16string_view text) override { messages.emplace_back(text); }
    void showError(std::u16string_view text) override { errors.emplace_back(text); }
    std::optional<std::u16string> inputBox(std::u16string_view, std::u16string_view,
                                           std::u16string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(std::u16string_view, const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::u16string> messages;
    std::vector<std::u16string> errors;
};


} // namespace readerlink::testing
