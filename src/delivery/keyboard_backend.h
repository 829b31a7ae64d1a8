#pragma once

// The keyboard seam of the keystroke engine. Its operations mirror the
// Windows calls the engine was designed around, in Windows terms (virtual-key
// codes, set-1 scan codes, VkKeyScanW's shift byte), so the engine itself
// stays the same on every platform and each backend translates.

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace readerlink {

namespace vk {
inline constexpr std::uint8_t Back = 0x08;
inline constexpr std::uint8_t Tab = 0x09;
inline constexpr std::uint8_t Return = 0x0D;
inline constexpr std::uint8_t Shift = 0x10;
inline constexpr std::uint8_t Control = 0x11;
inline constexpr std::uint8_t Menu = 0x12; // Alt
inline constexpr std::uint8_t Capital = 0x14;
inline constexpr std::uint8_t Escape = 0x1B;
inline constexpr std::uint8_t Space = 0x20;
inline constexpr std::uint8_t Left = 0x25;
inline constexpr std::uint8_t NumLock = 0x90;
inline constexpr std::uint8_t Scroll = 0x91;
} // namespace vk

// keybd_event flags.
inline constexpr std::uint32_t KeyEventExtendedKey = 0x0001;
inline constexpr std::uint32_t KeyEventKeyUp = 0x0002;

// VkKeyScanW's "no key" answer.
inline constexpr std::uint16_t NoKeyCode = 0xFFFF;

inline constexpr std::uint32_t WmInputLangChangeRequest = 0x0050;
inline constexpr std::uint32_t KlfActivate = 0x0001;

// Shows the engine's modal message box (text, caption "SendKeys") and returns
// when it is dismissed.
using KeyboardMessageBox = std::function<void(std::u16string_view text, std::u16string_view caption)>;

// 256 bytes indexed by virtual-key code: bit 7 down, bit 0 toggled.
using KeyboardStateBytes = std::array<std::uint8_t, 256>;

// An opaque window handle (HWND on Windows, an X window id on X11).
using WindowHandle = std::uintptr_t;

class KeyboardBackend {
public:
    virtual ~KeyboardBackend() = default;

    // keybd_event(vk, scan, flags, 0). A scan of 0 lets the backend derive
    // the key from vk. Results are not reported.
    virtual void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) = 0;

    // MapVirtualKeyW(code, mapType); mapType 0 is MAPVK_VK_TO_VSC.
    virtual std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) = 0;

    // VkKeyScanW: virtual key in the low byte, shift state in the high byte
    // (1 Shift, 2 Control, 4 Alt), NoKeyCode when the active layout has no key.
    virtual std::uint16_t vkKeyScan(char16_t ch) = 0;

    // GetKeyState: bit 15 down, bit 0 toggled.
    virtual std::int16_t getKeyState(std::uint8_t vk) = 0;

    virtual KeyboardStateBytes getKeyboardState() = 0;
    virtual void setKeyboardState(const KeyboardStateBytes& state) = 0;

    // Takes every keyboard message (WM_KEYFIRST..WM_KEYLAST) waiting in the
    // calling thread's queue, translates and dispatches it, until none is left.
    virtual void pumpKeyboardMessages() = 0;

    virtual WindowHandle getForegroundWindow() = 0;

    // PostMessageW(window, WM_INPUTLANGCHANGEREQUEST, wParam, lParam).
    virtual void postInputLanguageChangeRequest(WindowHandle window, std::uintptr_t wParam,
                                                std::intptr_t lParam) = 0;

    // LoadKeyboardLayoutW(klid, flags); the handle is not wanted.
    virtual void loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) = 0;

    // MessageBoxW(nullptr, text, caption, MB_OK): modal, returns when dismissed.
    virtual void messageBox(std::u16string_view text, std::u16string_view caption) = 0;

    // The end of a SendKeys call, on every way out: hands over key events
    // the backend may still be buffering and releases any key still down.
    // Where keybd_event is immediate (Windows) there is little to do.
    virtual void flush() = 0;
};

} // namespace readerlink
