#include "child_process.h"
#include "platform/windows/shell_execute_converter_launcher.h"
#include "platform/windows/system_local_clock.h"
#include "temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <windows.h>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;

std::wstring waitForRecord(const std::filesystem::path& file) {
    for (int i = 0; i < 200; ++i) {
        std::wifstream in(file);
        std::wstringstream text;
        text << in.rdbuf();
        if (text.str().find(L'\n') != std::wstring::npos)
            return text.str();
        std::this_thread::sleep_for(50ms);
    }
    return {};
}

TEST(ShellExecuteConverterLauncher, StartsTheConverterBesideTheProgramInItsFolder) {
    testing::TempFolder folder;
    ASSERT_TRUE(::CopyFileW(testing::windowsPath(READERLINK_STUB_CONVERTER).c_str(),
                            (folder.path() / L"ImageConverter.exe").c_str(), FALSE));
    auto launcher = makeConverterLauncher(folder.path());
    ASSERT_TRUE(launcher->launchConverter(u"C:\\Archive\\2026 12\\Face 1.jpg"));
    EXPECT_EQ(waitForRecord(folder.path() / L"converted.txt"),
              L"1|" + folder.path().wstring() + L"|C:\\Archive\\2026 12\\Face 1.jpg\n");
}

TEST(ShellExecuteConverterLauncher, NoConverterIsNoLaunch) {
    testing::TempFolder folder;
    EXPECT_FALSE(makeConverterLauncher(folder.path())->launchConverter(u"C:\\x.jpg"));
}

TEST(SystemLocalClock, DecimalSeparatorFollowsTheUserSettings) {
    auto clock = makeSystemLocalClock();
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    wchar_t before[8] = {};
    DWORD size = sizeof before;
    const bool had = ::RegQueryValueExW(key, L"sDecimal", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(before), &size) == ERROR_SUCCESS;
    ::RegSetValueExW(key, L"sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(L","),
                     2 * sizeof(wchar_t));
    const std::u16string comma = clock->decimalSeparator();
    if (had)
        ::RegSetValueExW(key, L"sDecimal", 0, REG_SZ, reinterpret_cast<const BYTE*>(before), size);
    else
        ::RegDeleteValueW(key, L"sDecimal");
    ::RegCloseKey(key);
    EXPECT_EQ(comma, u",");
}

} // namespace
} // namespace readerlink::platform
