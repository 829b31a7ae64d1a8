#include "platform/windows/run_key_autorun_store.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <windows.h>

namespace readerlink::platform {
namespace {

constexpr char16_t kName[] = u"readerlink test entry";

std::optional<std::wstring> runValue(const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, name, RRF_RT_ANY, &type, data, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::wstring(data);
}

TEST(RunKeyAutorunStore, WritesReplacesAndDeletesTheValue) {
    auto store = makeAutorunStore();
    ASSERT_TRUE(
        store->setEntry(kName, L"C:\\Program Files\\readerlink\\readerlink.exe", u"/m Notepad"));
    EXPECT_EQ(runValue(L"readerlink test entry"),
              L"\"C:\\Program Files\\readerlink\\readerlink.exe\" /m Notepad");

    ASSERT_TRUE(store->setEntry(kName, L"D:\\rl\\readerlink.exe", u"/m Other App"));
    EXPECT_EQ(runValue(L"readerlink test entry"), L"\"D:\\rl\\readerlink.exe\" /m Other App");

    store->removeEntry(kName);
    EXPECT_EQ(runValue(L"readerlink test entry"), std::nullopt);
    store->removeEntry(kName); // already gone: no effect
}

TEST(RunKeyAutorunStore, NoArgumentsIsTheQuotedPathAlone) {
    EXPECT_EQ(runKeyCommand(L"C:\\a b\\x.exe", u""), L"\"C:\\a b\\x.exe\"");
}

} // namespace
} // namespace readerlink::platform
