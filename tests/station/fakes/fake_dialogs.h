#pragma once

// Answers the station's questions from a script and records what it showed.

#include "common/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace readerlink::station::testing {

class FakeDialogs : public Dialogs {
public:
    struct Input {
        std::u16string caption, prompt, initial;
    };

    void showMessage(std::u16string_view text) override { messages.emplace_back(text); }
    void showError(std::u16string_view text) override { errors.emplace_back(text); }
    std::optional<std::u16string> inputBox(std::u16string_view caption, std::u16string_view prompt,
                                           std::u16string_view initial) override {
        inputs.push_back(
            {std::u16string(caption), std::u16string(prompt), std::u16string(initial)});
        return next(inputAnswers);
    }
    std::optional<std::string> chooseFolder(std::u16string_view title,
                                            const std::string& initial) override {
        folderTitles.emplace_back(title);
        folderInitials.push_back(initial);
        return next(folderAnswers);
    }

    // Unscripted questions are cancelled.
    std::deque<std::optional<std::u16string>> inputAnswers;
    std::deque<std::optional<std::string>> folderAnswers;

    std::vector<std::u16string> messages;
    std::vector<std::u16string> errors;
    std::vector<Input> inputs;
    std::vector<std::u16string> folderTitles;
    std::vector<std::string> folderInitials;

private:
    template <typename T> static std::optional<T> next(std::deque<std::optional<T>>& answers) {
        if (answers.empty())
            return std::nullopt;
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

} // namespace readerlink::station::testing
