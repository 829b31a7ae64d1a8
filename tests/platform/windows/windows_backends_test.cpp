#include "platform/windows/windows_backends.h"

#include <gtest/gtest.h>

namespace readerlink::platform {
namespace {

TEST(WindowsBackends, EverySeamHasItsBackend) {
    auto made = makeWindowsBackends([](std::u16string_view, std::u16string_view) {});
    EXPECT_TRUE(made.clock && made.converter && made.host && made.keyboard &&
                made.serialDevices && made.autorun);
    int error = 0;
    EXPECT_EQ(made.serialDevices->open(u"COM250", error), nullptr);
    EXPECT_EQ(error, 2); // ERROR_FILE_NOT_FOUND: the component's "(Error: 2)"
}

} // namespace
} // namespace readerlink::platform
