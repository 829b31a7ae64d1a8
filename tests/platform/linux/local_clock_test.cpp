#include "platform/linux/system_local_clock.h"

#include <ctime>
#include <gtest/gtest.h>
#include <stdlib.h>

namespace readerlink::platform {
namespace {

// Sets one environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = ::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

TEST(SystemLocalClock, DecimalSeparatorFollowsTheUsersLocale) {
    auto clock = makeSystemLocalClock();
    {
        ScopedEnv all("LC_ALL", "C");
        EXPECT_EQ(clock->decimalSeparator(), u".");
    }
    const locale_t german = ::newlocale(LC_NUMERIC_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (german == static_cast<locale_t>(0))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed here";
    ::freelocale(german);
    ScopedEnv all("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(clock->decimalSeparator(), u",");
}

TEST(SystemLocalClock, NowIsTheLocalTime) {
    auto clock = makeSystemLocalClock();
    const std::time_t before = std::time(nullptr);
    const auto now = clock->now();
    std::tm local{};
    ::localtime_r(&before, &local);
    EXPECT_EQ(now.year, local.tm_year + 1900);
    EXPECT_EQ(now.month, local.tm_mon + 1);
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LT(now.millisecond, 1000);
}

} // namespace
} // namespace readerlink::platform
