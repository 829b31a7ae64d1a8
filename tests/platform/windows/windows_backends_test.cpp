#include "platform/autorun_store.h"
#include "platform/backends.h"

#include <gtest/gtest.h>

namespace readerlink::platform {
namespace {

TEST(WindowsBackends, EverySeamHasItsBackend) {
    EXPECT_TRUE(makeLocalClock());
    EXPECT_TRUE(makeImageConverterLauncher({}));
    EXPECT_TRUE(makeHostLink());
    EXPECT_TRUE(makeKeyboard([](std::u16string_view, std::u16string_view) {}));
    EXPECT_TRUE(makeAutorunStore());
    const auto serialDevices = makeSerialDevices({}, {});
    ASSERT_TRUE(serialDevices);
    int error = 0;
    EXPECT_EQ(serialDevices->open(u"COM250", error), nullptr);
    EXPECT_EQ(error, 2); // ERROR_FILE_NOT_FOUND: the component's "(Error: 2)"
}

} // namespace
} // namespace readerlink::platform
