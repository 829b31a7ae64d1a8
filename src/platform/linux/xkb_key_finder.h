#pragma once

// VkKeyScanW over a live XKB keymap: which key, with which of Shift,
// Control and AltGr, types a character in a given group under the given locked
// modifiers. The locks count because the receiving client applies them: with
// CapsLock on, "a" needs Shift and "A" does not.

#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

struct xkb_keymap;

namespace readerlink::platform {

class XkbKeyFinder {
public:
    // Takes a reference on keymap.
    explicit XkbKeyFinder(xkb_keymap* keymap);
    ~XkbKeyFinder();
    XkbKeyFinder(const XkbKeyFinder&) = delete;
    XkbKeyFinder& operator=(const XkbKeyFinder&) = delete;

    // Virtual key in the low byte, the shift byte in the high one (1 Shift,
    // 2 Control, 6 AltGr); 0xFFFF when no typing key of the group produces ch. lockedMods are X
    // real modifiers (Lock 0x02, Mod2 0x10, ...).
    std::uint16_t vkKeyScan(char32_t ch, std::uint32_t group, std::uint32_t lockedMods);

    std::uint32_t groupCount() const;

    // The key that gives the group's third level (AltGr), if it has one.
    std::optional<std::uint8_t> level3Keycode(std::uint32_t group) const;

private:
    using Table = std::unordered_map<char32_t, std::uint16_t>;
    Table build(std::uint32_t group, std::uint32_t lockedMods) const;

    xkb_keymap* keymap_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, Table> tables_;
};

} // namespace readerlink::platform
