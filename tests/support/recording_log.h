#pragma once

// An activity log that keeps every line, and whether it also went to the
// status label.

#include "common/activity_log.h"

#include <string>
#include <string_view>
#include <vector>

namespace readerlink::testing {

struct LogLine {
    std::u16string text;
    bool status = false;
    bool operator==(const LogLine&) const = default;
};

class RecordingLog : public ActivityLog {
public:
    void log(std::u16string_view line) override { lines.push_back({std::u16string(line), false}); }
    void logStatus(std::u16string_view line) override {
        lines.push_back({std::u16string(line), true});
    }

    std::vector<std::u16string> texts() const {
        std::vector<std::u16string> out;
        for (const LogLine& line : lines)
            out.push_back(line.text);
        return out;
    }
    std::vector<std::u16string> statusTexts() const {
        std::vector<std::u16string> out;
        for (const LogLine& line : lines)
            if (line.status)
                out.push_back(line.text);
        return out;
    }

    std::vector<LogLine> lines;
};

} // namespace readerlink::testing
