#pragma once

// The local date and time and the user's decimal separator, as the archive
// needs them for its clock names. Injected so tests need not wait for a time.

#include <memory>
#include <string>

namespace readerlink::reader {

struct LocalDateTime {
    int year = 1899;
    int month = 12; // 1-12
    int day = 30;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class LocalClock {
public:
    virtual ~LocalClock() = default;
    virtual LocalDateTime now() = 0;
    // The decimal separator of the user's locale settings.
    virtual std::u16string decimalSeparator() = 0;
};

} // namespace readerlink::reader
