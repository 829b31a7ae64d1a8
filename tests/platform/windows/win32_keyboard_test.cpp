#include "child_process.h"
#include "delivery/sendkeys.h"
#include "platform/windows/win32_keyboard.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <windows.h>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

constexpr char16_t kMrz[] = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                            u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";

// The receiver's EDIT control in another process, read through WM_GETTEXT.
class EditInOtherProcess {
public:
    EditInOtherProcess() : process_(testing::windowsPath(READERLINK_EDIT_RECEIVER), {}) {
        if (!process_.waitForOutput("ready 0x", 20s))
            throw std::runtime_error("the receiver did not start: " + process_.output());
        const std::string out = process_.output();
        edit_ = reinterpret_cast<HWND>(
            static_cast<std::uintptr_t>(std::strtoull(out.c_str() + out.find("0x"), nullptr, 16)));
    }
    ~EditInOtherProcess() { ::PostMessageW(::GetAncestor(edit_, GA_ROOT), WM_CLOSE, 0, 0); }

    std::wstring text() {
        wchar_t buffer[2048] = {};
        ::SendMessageW(edit_, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }

    // The text once it has stopped growing (typed keys arrive asynchronously).
    std::wstring settledText(const std::wstring& expected) {
        for (int i = 0; i < 100 && text() != expected; ++i)
            std::this_thread::sleep_for(50ms);
        return text();
    }

    void clear() { ::SendMessageW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"")); }

private:
    ChildProcess process_;
    HWND edit_ = nullptr;
};

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

TEST(Win32Keyboard, MrzAndPunctuationArriveExactlyInAnEditOfAnotherProcess) {
    EditInOtherProcess edit;
    std::vector<std::u16string> boxes;
    auto keyboard = makeWin32KeyboardBackend(
        [&](std::u16string_view text, std::u16string_view) { boxes.emplace_back(text); });

    for (int round = 0; round < 2; ++round) {
        edit.clear();
        ASSERT_TRUE(SendKeys(*keyboard, kMrz, true));
        EXPECT_EQ(edit.settledText(wide(kMrz)), wide(kMrz));
    }
    edit.clear();
    ASSERT_TRUE(SendKeys(*keyboard, u"a{+}b{{}c{}}d+(xy)z{a 3}1<>?|\\", true));
    const std::wstring expected = L"a+b{c}dXYzAAA1<>?|\\";
    EXPECT_EQ(edit.settledText(expected), expected);
    EXPECT_TRUE(boxes.empty());
    // Nothing the calls pressed is left down.
    for (BYTE vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
        EXPECT_EQ(::GetAsyncKeyState(vk) & 0x8000, 0) << int(vk);
}

TEST(Win32Keyboard, AModifierLeftDownIsReleasedAtTheEnd) {
    auto keyboard = makeWin32KeyboardBackend([](std::u16string_view, std::u16string_view) {});
    keyboard->keybdEvent(VK_SHIFT, 0, 0);
    EXPECT_NE(::GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
    keyboard->flush();
    EXPECT_EQ(::GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST(Win32Keyboard, UsLayoutAnswersForLessThan) {
    auto keyboard = makeWin32KeyboardBackend();
    // Shift + VK_OEM_COMMA, as on a US PC keyboard.
    EXPECT_EQ(keyboard->vkKeyScan(u'<'), 0x1BC);
    EXPECT_EQ(keyboard->vkKeyScan(u'A'), 0x141);
    EXPECT_EQ(keyboard->mapVirtualKey('A', 0), 0x1Eu);
}

} // namespace
} // namespace readerlink::platform
