#include "delivery/recording_keyboard.h"

#include <cstdio>
#include <stdexcept>

#include "common/text.h"
#include "delivery/us_key_table.h"

namespace readerlink {

namespace {

std::string hex(unsigned value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", width, value);
    return buffer;
}

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace

std::string describe(const Recorded& entry) {
    return std::visit(
        Overloaded{
            [](const KeyEvent& e) {
                return std::string((e.flags & KeyEventKeyUp) ? "\u2191" : "\u2193") +
                       " vk=" + hex(e.vk, 2) + " scan=" + hex(e.scan, 2) +
                       " flags=" + std::to_string(e.flags);
            },
            [](const MessageBoxShown& b) {
                return "box " + toUtf8(b.caption) + ": " + toUtf8(b.text);
            },
            [](const LanguageChangeRequested& r) {
                return "language change request to window " + hex(unsigned(r.window), 4) +
                       " wParam=" + std::to_string(r.wParam) +
                       " lParam=" + hex(unsigned(r.lParam), 8);
            },
            [](const LayoutLoaded& l) {
                return "load layout " + toUtf8(l.klid) + " flags=" + std::to_string(l.flags);
            },
            [](const NumLockSet& n) { return std::string("NumLock ") + (n.on ? "on" : "off"); },
        },
        entry);
}

RecordingKeyboard::RecordingKeyboard(const KeyboardLayoutTable& layout) : layout_(&layout) {}

void RecordingKeyboard::keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    if (failAt_ && *failAt_ == keyEventsSeen_++) {
        failAt_.reset();
        throw std::runtime_error("injected keyboard failure");
    }
    recorded_.push_back(KeyEvent{vk, scan, flags});
    if (flags & KeyEventKeyUp)
        state_[vk] &= 0x7F;
    else
        state_[vk] |= 0x80;
}

std::uint32_t RecordingKeyboard::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
    if (mapType != 0 || code > 0xFF)
        return 0;
    return usScanCodeOf(static_cast<std::uint8_t>(code)).code;
}

std::uint16_t RecordingKeyboard::vkKeyScan(char16_t ch) {
    return layout_->vkKeyScan(ch);
}

std::int16_t RecordingKeyboard::getKeyState(std::uint8_t vk) {
    return static_cast<std::int16_t>(((state_[vk] & 0x80) ? 0x8000 : 0) | (state_[vk] & 1));
}

KeyboardStateBytes RecordingKeyboard::getKeyboardState() {
    return state_;
}

void RecordingKeyboard::setKeyboardState(const KeyboardStateBytes& state) {
    state_ = state;
    recorded_.push_back(NumLockSet{(state_[vk::NumLock] & 1) != 0});
}

void RecordingKeyboard::postInputLanguageChangeRequest(WindowHandle window, std::uintptr_t wParam,
                                                       std::intptr_t lParam) {
    recorded_.push_back(LanguageChangeRequested{window, wParam, lParam});
}

void RecordingKeyboard::loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) {
    recorded_.push_back(LayoutLoaded{std::u16string(klid), flags});
    if (flags & KlfActivate)
        if (const KeyboardLayoutTable* layout = layoutByKlid(klid))
            layout_ = layout;
}

void RecordingKeyboard::messageBox(std::u16string_view text, std::u16string_view caption) {
    recorded_.push_back(MessageBoxShown{std::u16string(text), std::u16string(caption)});
}

std::vector<KeyEvent> RecordingKeyboard::keyEvents() const {
    std::vector<KeyEvent> events;
    for (const Recorded& entry : recorded_)
        if (const auto* e = std::get_if<KeyEvent>(&entry))
            events.push_back(*e);
    return events;
}

} // namespace readerlink
