#include "platform/linux/xkb_key_finder.h"

#include <gtest/gtest.h>
#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace readerlink::platform {
namespace {

// The keymap an X server builds for "setxkbmap -model pc105 -layout us,ara".
class XkbKeyFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        ASSERT_NE(context_, nullptr);
        const xkb_rule_names names{"evdev", "pc105", "us,ara", "", ""};
        xkb_keymap* keymap =
            xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        ASSERT_NE(keymap, nullptr);
        finder_ = std::make_unique<XkbKeyFinder>(keymap);
        xkb_keymap_unref(keymap);
    }
    void TearDown() override {
        finder_.reset();
        xkb_context_unref(context_);
    }

    xkb_context* context_ = nullptr;
    std::unique_ptr<XkbKeyFinder> finder_;
};

constexpr std::uint32_t Caps = 0x02, NumLock = 0x10;

struct Lookup {
    char32_t ch;
    std::uint32_t group;
    std::uint32_t locked;
    std::uint16_t keyCode;
};

TEST_F(XkbKeyFinderTest, FindsTheKeyWindowsWouldUse) {
    const Lookup cases[] = {
        {U'a', 0, 0, 0x41},
        {U'A', 0, 0, 0x141},
        {U'<', 0, 0, 0x1BC}, // Shift + comma, not the ISO key's plain level
        {U'>', 0, 0, 0x1BE},
        {U'|', 0, 0, 0x1DC},
        {U'\\', 0, 0, 0xDC},
        {U'1', 0, 0, 0x31},
        {U'!', 0, 0, 0x131},
        {U' ', 0, 0, 0x20},
        {U'\r', 0, 0, 0x0D},
        {U'\x01', 0, 0, 0x241},
        {U'\n', 0, 0, 0x20D}, // Control + Return, as the preview shows, not Control + J
        {U'\n', 1, 0, 0x20D},
        {U'\u00E9', 0, 0, 0xFFFF},
        {U'\u0628', 0, 0, 0xFFFF},
        // Caps Lock inverts what Shift must do for letters, and only for them.
        {U'a', 0, Caps, 0x141},
        {U'A', 0, Caps, 0x41},
        {U'1', 0, Caps, 0x31},
        {U'<', 0, Caps, 0x1BC},
        // The keypad is never used, so NumLock changes nothing.
        {U'1', 0, NumLock, 0x31},
        {U'*', 0, NumLock, 0x138},
        // Arabic (101).
        {U'\u0628', 1, 0, 0x46},
        {U'\u0627', 1, Caps, 0x48},
        {U'<', 1, 0, 0x1DB},
        {U'a', 1, 0, 0xFFFF},
        {U'|', 1, 0, 0xE2}, // only on the ISO key there
    };
    for (const Lookup& c : cases)
        EXPECT_EQ(finder_->vkKeyScan(c.ch, c.group, c.locked), c.keyCode)
            << "U+" << std::hex << static_cast<unsigned>(c.ch) << " group " << c.group << " locks "
            << c.locked;
    EXPECT_EQ(finder_->groupCount(), 2u);
}

TEST(XkbKeyFinderAltGr, ThirdLevelCharactersNeedAltGr) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names{"evdev", "pc105", "de,ara", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ASSERT_NE(keymap, nullptr);
    {
        XkbKeyFinder finder(keymap);
        EXPECT_EQ(finder.vkKeyScan(U'@', 0, 0), 0x651);      // AltGr + Q
        EXPECT_EQ(finder.vkKeyScan(U'\u20AC', 0, 0), 0x645); // AltGr + E
        EXPECT_EQ(finder.vkKeyScan(U'z', 0, 0), 0x59);       // the German key of Y
        EXPECT_EQ(finder.vkKeyScan(U'\u06A4', 1, 0), 0x654); // Arabic veh: AltGr + T
        EXPECT_EQ(finder.level3Keycode(0), 108);
        EXPECT_EQ(finder.level3Keycode(1), 108);
    }
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

} // namespace
} // namespace readerlink::platform
