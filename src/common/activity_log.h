#pragma once

#include <string_view>

namespace readerlink {

// The "Data" memo: one plain line per event, no time stamps.
class ActivityLog {
public:
    virtual ~ActivityLog() = default;

    // Appends a line without touching the status label.
    virtual void log(std::u16string_view line) = 0;

    // Appends a line and shows it in the status label.
    virtual void logStatus(std::u16string_view line) = 0;
};

} // namespace readerlink
