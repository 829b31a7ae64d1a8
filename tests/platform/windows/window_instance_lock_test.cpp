#include "child_process.h"
#include "platform/windows/window_instance_lock.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

std::string probeInOtherProcess(const std::wstring& name) {
    ChildProcess probe(testing::windowsPath(READERLINK_INSTANCE_PROBE), {name});
    EXPECT_EQ(probe.waitForExit(20s), 0u);
    return probe.output();
}

TEST(WindowInstanceLock, ASecondProcessIsRefusedUntilTheFirstLetsGo) {
    auto first = makeSingleInstanceLock("readerlink-test-a");
    ASSERT_TRUE(first->tryAcquire());
    EXPECT_TRUE(first->tryAcquire());
    EXPECT_EQ(probeInOtherProcess(L"readerlink-test-a"), "refused\n");
    EXPECT_EQ(probeInOtherProcess(L"readerlink-test-other"), "acquired\n");
    first.reset();
    EXPECT_EQ(probeInOtherProcess(L"readerlink-test-a"), "acquired\n");
}

TEST(WindowInstanceLock, ARunningStationWindowRefusesWithoutTheMutex) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kStationWindowClass;
    ASSERT_NE(::RegisterClassW(&windowClass), 0);
    const HWND station =
        ::CreateWindowExW(0, kStationWindowClass, L"readerlink", WS_OVERLAPPED, 0, 0, 10, 10,
                          nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(station, nullptr);
    EXPECT_EQ(probeInOtherProcess(L"readerlink-test-b"), "refused\n");
    ::DestroyWindow(station);
    EXPECT_EQ(probeInOtherProcess(L"readerlink-test-b"), "acquired\n");
}

} // namespace
} // namespace readerlink::platform
