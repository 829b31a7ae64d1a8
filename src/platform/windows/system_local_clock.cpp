#include "platform/windows/system_local_clock.h"

#include "platform/windows/wide_text.h"

#include <windows.h>

namespace readerlink::platform {

namespace {

class SystemLocalClock final : public reader::LocalClock {
public:
    reader::LocalDateTime now() override {
        SYSTEMTIME local{};
        ::GetLocalTime(&local);
        reader::LocalDateTime t;
        t.year = local.wYear;
        t.month = local.wMonth;
        t.day = local.wDay;
        t.hour = local.wHour;
        t.minute = local.wMinute;
        t.second = local.wSecond;
        t.millisecond = local.wMilliseconds;
        return t;
    }

    std::u16string decimalSeparator() override {
        wchar_t separator[8] = {};
        const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
        if (n <= 1)
            return u".";
        return fromWide(std::wstring_view(separator, static_cast<std::size_t>(n - 1)));
    }
};

} // namespace

std::unique_ptr<reader::LocalClock> makeSystemLocalClock() {
    return std::make_unique<SystemLocalClock>();
}

} // namespace readerlink::platform
