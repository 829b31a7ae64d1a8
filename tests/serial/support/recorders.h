#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/activity_log.h"
#include "common/dialogs.h"

namespace readerlink::testing {

class RecordingLog : public ActivityLog {
public:
    void log(std::u16string_view line) override { lines.emplace_back(line); }
    void logStatus(std::u16string_view line) override {
        lines.emplace_back(line);
        status.emplace_back(line);
    }
    std::vector<std::u16string> lines;
    std::vector<std::u16string> status;
};

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
