#pragma once

// A keyboard that records instead of typing: every key event, message box and
// layout change, in order. Tests drive the engine against it; the dry-run
// tool prints what it recorded.

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "delivery/keyboard_backend.h"
#include "delivery/keyboard_layout_tables.h"

namespace readerlink {

struct KeyEvent {
    std::uint8_t vk = 0;
    std::uint8_t scan = 0;
    std::uint32_t flags = 0;
    bool operator==(const KeyEvent&) const = default;
};

struct MessageBoxShown {
    std::u16string text;
    std::u16string caption;
    bool operator==(const MessageBoxShown&) const = default;
};

struct LanguageChangeRequested {
    WindowHandle window = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    bool operator==(const LanguageChangeRequested&) const = default;
};

struct LayoutLoaded {
    std::u16string klid;
    std::uint32_t flags = 0;
    bool operator==(const LayoutLoaded&) const = default;
};

// A SetKeyboardState call, shown by the NumLock toggle bit it leaves.
struct NumLockSet {
    bool on = false;
    bool operator==(const NumLockSet&) const = default;
};

using Recorded =
    std::variant<KeyEvent, MessageBoxShown, LanguageChangeRequested, LayoutLoaded, NumLockSet>;

// One line: "↓ vk=0x10 scan=0x2A flags=0", "box SendKeys: No Close", ...
std::string describe(const Recorded& entry);

class RecordingKeyboard : public KeyboardBackend {
public:
    static constexpr WindowHandle ForegroundWindow = 0x1001;

    explicit RecordingKeyboard(const KeyboardLayoutTable& layout = usEnglishLayout());

    void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
    std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
    std::uint16_t vkKeyScan(char16_t ch) override;
    std::int16_t getKeyState(std::uint8_t vk) override;
    KeyboardStateBytes getKeyboardState() override;
    void setKeyboardState(const KeyboardStateBytes& state) override;
    void pumpKeyboardMessages() override { ++pumps_; }
    WindowHandle getForegroundWindow() override { return ForegroundWindow; }
    void postInputLanguageChangeRequest(WindowHandle window, std::uintptr_t wParam,
                                        std::intptr_t lParam) override;
    void loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) override;
    void messageBox(std::u16string_view text, std::u16string_view caption) override;
    void flush() override { ++flushes_; }

    const std::vector<Recorded>& recorded() const { return recorded_; }
    std::vector<KeyEvent> keyEvents() const;
    void clear() { recorded_.clear(); }

    // Whether the key is down as far as the events sent so far go.
    bool isDown(std::uint8_t vk) const { return (state_[vk] & 0x80) != 0; }
    const KeyboardLayoutTable& activeLayout() const { return *layout_; }
    std::size_t pumps() const { return pumps_; }
    std::size_t flushes() const { return flushes_; }

    // Fault injection: the key event with this index (0-based, counted over
    // the keyboard's life) throws a std::runtime_error instead of being sent.
    void failKeyEvent(std::size_t index) { failAt_ = index; }

private:
    const KeyboardLayoutTable* layout_;
    KeyboardStateBytes state_{};
    std::vector<Recorded> recorded_;
    std::size_t keyEventsSeen_ = 0;
    std::optional<std::size_t> failAt_;
    std::size_t pumps_ = 0;
    std::size_t flushes_ = 0;
};

} // namespace readerlink
