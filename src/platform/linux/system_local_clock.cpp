#include "platform/linux/system_local_clock.h"

#include "common/text.h"

#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace readerlink::platform {

namespace {

class SystemLocalClock final : public reader::LocalClock {
public:
    reader::LocalDateTime now() override {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        std::tm local{};
        ::localtime_r(&ts.tv_sec, &local);
        reader::LocalDateTime t;
        t.year = local.tm_year + 1900;
        t.month = local.tm_mon + 1;
        t.day = local.tm_mday;
        t.hour = local.tm_hour;
        t.minute = local.tm_min;
        t.second = local.tm_sec;
        t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
        return t;
    }

    std::u16string decimalSeparator() override {
        // The user's settings, whatever the process's own C locale is.
        locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
        if (user == static_cast<locale_t>(0))
            return u".";
        std::u16string separator = fromUtf8(::nl_langinfo_l(RADIXCHAR, user));
        ::freelocale(user);
        return separator.empty() ? u"." : separator;
    }
};

} // namespace

std::unique_ptr<reader::LocalClock> makeSystemLocalClock() {
    return std::make_unique<SystemLocalClock>();
}

} // namespace readerlink::platform
