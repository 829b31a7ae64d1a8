#include "platform/linux/xkb_key_finder.h"

#include <xkbcommon/xkbcommon.h>

#include <bit>
#include <memory>

#include "delivery/keyboard_backend.h"
#include "delivery/us_key_table.h"
#include "platform/linux/x11_key_codes.h"

namespace readerlink::x11 {

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

XkbKeyFinder::Table XkbKeyFinder::build(std::uint32_t group, std::uint32_t lockedMods) const {
    const xkb_mod_index_t shiftIndex = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
    const xkb_mod_index_t controlIndex = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_CTRL);
    const xkb_mod_mask_t shift = shiftIndex == XKB_MOD_INVALID ? 0 : 1u << shiftIndex;
    const xkb_mod_mask_t control = controlIndex == XKB_MOD_INVALID ? 0 : 1u << controlIndex;
    const std::pair<xkb_mod_mask_t, unsigned> pressable[] = {
        {0, 0}, {shift, 1}, {control, 2}, {shift | control, 3}};

    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap_),
                                                                 &xkb_state_unref);
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
            if ((mods == 0) != (windowsShift == 0))
                continue; // the keymap lacks that modifier
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
    return table;
}

} // namespace readerlink::x11
