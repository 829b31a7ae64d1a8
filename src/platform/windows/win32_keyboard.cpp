#include "platform/windows/win32_keyboard.h"

#include "platform/windows/wide_text.h"

#include <bitset>
#include <windows.h>

namespace readerlink::platform {

namespace {

class Win32Keyboard final : public KeyboardBackend {
public:
    explicit Win32Keyboard(KeyboardMessageBox showMessageBox)
        : showMessageBox_(std::move(showMessageBox)) {}

    ~Win32Keyboard() override { releaseHeldKeys(); }

    void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override {
        ::keybd_event(vk, scan, flags, 0);
        held_.set(vk, (flags & KeyEventKeyUp) == 0);
    }

    std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override {
        return ::MapVirtualKeyW(code, mapType);
    }

    std::uint16_t vkKeyScan(char16_t ch) override {
        return static_cast<std::uint16_t>(::VkKeyScanW(static_cast<wchar_t>(ch)));
    }

    std::int16_t getKeyState(std::uint8_t vk) override { return ::GetKeyState(vk); }

    KeyboardStateBytes getKeyboardState() override {
        KeyboardStateBytes state{};
        ::GetKeyboardState(state.data());
        return state;
    }

    void setKeyboardState(const KeyboardStateBytes& state) override {
        KeyboardStateBytes copy = state;
        ::SetKeyboardState(copy.data());
    }

    void pumpKeyboardMessages() override {
        MSG message;
        while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    WindowHandle getForegroundWindow() override {
        return reinterpret_cast<WindowHandle>(::GetForegroundWindow());
    }

    void postInputLanguageChangeRequest(WindowHandle window, std::uintptr_t wParam,
                                        std::intptr_t lParam) override {
        ::PostMessageW(reinterpret_cast<HWND>(window), WM_INPUTLANGCHANGEREQUEST, wParam, lParam);
    }

    void loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) override {
        ::LoadKeyboardLayoutW(toWide(klid).c_str(), flags);
    }

    void messageBox(std::u16string_view text, std::u16string_view caption) override {
        if (showMessageBox_) {
            showMessageBox_(text, caption);
            return;
        }
        ::MessageBoxW(nullptr, toWide(text).c_str(), toWide(caption).c_str(), MB_OK);
    }

    // Key events are delivered as they are made; only a key this backend
    // pressed and the call left down needs its release.
    void flush() override { releaseHeldKeys(); }

private:
    void releaseHeldKeys() {
        for (std::size_t vk = 0; vk < held_.size(); ++vk) {
            if (held_.test(vk)) {
                ::keybd_event(static_cast<BYTE>(vk), 0, KEYEVENTF_KEYUP, 0);
                held_.reset(vk);
            }
        }
    }

    KeyboardMessageBox showMessageBox_;
    std::bitset<256> held_;
};

} // namespace

std::unique_ptr<KeyboardBackend> makeWin32KeyboardBackend(KeyboardMessageBox showMessageBox) {
    return std::make_unique<Win32Keyboard>(std::move(showMessageBox));
}

} // namespace readerlink::platform
