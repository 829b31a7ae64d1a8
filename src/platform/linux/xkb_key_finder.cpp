#include "platform/linux/xkb_key_finder.h"

#include "delivery/keyboard_backend.h"
#include "delivery/us_key_table.h"
#include "platform/linux/x11_key_codes.h"

#include <bit>
#include <memory>
#include <optional>
#include <vector>
#include <xkbcommon/xkbcommon.h>

namespace readerlink::platform {

namespace {

constexpr std::uint8_t IsoKeyScan = 0x56;

// Lower is preferred: the main typing block before the ISO key (Windows'
// US layout has "<" on Shift + comma, not on the ISO key), then fewer
// modifiers, then Shift before Control.
struct Rank {
    int keyClass;
    int modifierCount;
    unsigned windowsShift;
    std::uint8_t keycode;
    auto operator<=>(const Rank&) const = default;
};

} // namespace

XkbKeyFinder::XkbKeyFinder(xkb_keymap* keymap) : keymap_(xkb_keymap_ref(keymap)) {}

XkbKeyFinder::~XkbKeyFinder() {
    xkb_keymap_unref(keymap_);
}

std::uint16_t XkbKeyFinder::vkKeyScan(char32_t ch, std::uint32_t group, std::uint32_t lockedMods) {
    auto [it, inserted] = tables_.try_emplace({group, lockedMods});
    if (inserted)
        it->second = build(group, lockedMods);
    const auto found = it->second.find(ch);
    return found == it->second.end() ? NoKeyCode : found->second;
}

std::uint32_t XkbKeyFinder::groupCount() const {
    return xkb_keymap_num_layouts(keymap_);
}

std::optional<std::uint8_t> XkbKeyFinder::level3Keycode(std::uint32_t group) const {
    // Right Alt first: where both carry it, that is the key a person uses.
    std::vector<xkb_keycode_t> keycodes{108};
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap_);
         keycode <= xkb_keymap_max_keycode(keymap_) && keycode < 256; ++keycode)
        keycodes.push_back(keycode);
    for (xkb_keycode_t keycode : keycodes) {
        const xkb_keysym_t* syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap_, keycode, group, 0, &syms);
        for (int i = 0; i < count; ++i)
            if (syms[i] == XKB_KEY_ISO_Level3_Shift)
                return static_cast<std::uint8_t>(keycode);
    }
    return std::nullopt;
}

XkbKeyFinder::Table XkbKeyFinder::build(std::uint32_t group, std::uint32_t lockedMods) const {
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap_),
                                                                 &xkb_state_unref);
    auto maskOf = [&](const char* name) -> xkb_mod_mask_t {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap_, name);
        return index == XKB_MOD_INVALID ? 0 : 1u << index;
    };
    const xkb_mod_mask_t shift = maskOf(XKB_MOD_NAME_SHIFT);
    const xkb_mod_mask_t control = maskOf(XKB_MOD_NAME_CTRL);
    // AltGr: whatever real modifier the group's ISO_Level3_Shift key sets.
    xkb_mod_mask_t level3 = 0;
    if (const auto keycode = level3Keycode(group)) {
        xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
        xkb_state_update_key(state.get(), *keycode, XKB_KEY_DOWN);
        level3 = xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED);
    }
    // Windows' shift byte: 1 Shift, 2 Control, 6 AltGr (Control + Alt).
    std::vector<std::pair<xkb_mod_mask_t, unsigned>> pressable{{0, 0}};
    if (shift)
        pressable.emplace_back(shift, 1);
    if (control)
        pressable.emplace_back(control, 2);
    if (shift && control)
        pressable.emplace_back(shift | control, 3);
    if (level3) {
        pressable.emplace_back(level3, 6);
        if (shift)
            pressable.emplace_back(level3 | shift, 7);
    }

    Table table;
    std::unordered_map<char32_t, Rank> best;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap_); keycode <= last && keycode < 256;
         ++keycode) {
        const auto scan = scanCodeOfKeycode(static_cast<std::uint8_t>(keycode));
        if (!scan || scan->extended)
            continue;
        const std::uint8_t vk = usTypingVirtualKeyOf(scan->code);
        if (vk == 0)
            continue;
        for (const auto& [mods, windowsShift] : pressable) {
            xkb_state_update_mask(state.get(), mods, 0, lockedMods, 0, 0, group);
            const char32_t ch = xkb_state_key_get_utf32(state.get(), keycode);
            if (ch == 0)
                continue;
            const Rank rank{scan->code == IsoKeyScan ? 1 : 0, std::popcount(windowsShift),
                            windowsShift, static_cast<std::uint8_t>(keycode)};
            auto [entry, fresh] = best.try_emplace(ch, rank);
            if (fresh || rank < entry->second) {
                entry->second = rank;
                table[ch] = static_cast<std::uint16_t>(windowsShift << 8 | vk);
            }
        }
    }
    // Windows' VkKeyScanW types a line feed as Control + Return, and so do the
    // preview and the engine's tables; XKB's Control transformation alone
    // would pick Control + J.
    if (const auto found = table.find(U'\r');
        control && found != table.end() && found->second == vk::Return)
        table[U'\n'] = static_cast<std::uint16_t>(2u << 8 | vk::Return);
    return table;
}

} // namespace readerlink::platform
