#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/timer.h"

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

// A timer the test fires by hand.
class ManualTimer : public Timer {
public:
    void start() override {
        if (!active_)
            ++countdowns;
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }
    void fire() {
        if (active_ && handler_)
            handler_();
    }
    int countdowns = 0; // times a countdown began

private:
    bool active_ = false;
    std::function<void()> handler_;
};

} // namespace readerlink::testing
