#include "platform/linux/x11_key_codes.h"

#include <gtest/gtest.h>

namespace readerlink::platform {
namespace {

struct KeyEventCase {
    const char* what;
    std::uint8_t vk;
    std::uint8_t scan;
    bool extended;
    std::optional<std::uint8_t> keycode;
};

TEST(X11KeyCodes, KeyEventsNameTheRightKeys) {
    const KeyEventCase cases[] = {
        {"letter", 'A', 0x1E, false, 38},
        {"scan derived from vk", 'A', 0, false, 38},
        {"left shift", 0x10, 0x2A, false, 50},
        {"left control", 0x11, 0x1D, false, 37},
        {"left alt", 0x12, 0x38, false, 64},
        {"enter", 0x0D, 0x1C, false, 36},
        {"keypad enter", 0x0D, 0x1C, true, 104},
        {"left arrow", 0x25, 0x4B, true, 113},
        {"left arrow without the flag stays an arrow", 0x25, 0x4B, false, 113},
        {"keypad 4", 0x64, 0x4B, false, 83},
        {"delete", 0x2E, 0x53, true, 119},
        {"right control", 0xA3, 0x1D, true, 105},
        {"print screen", 0x2C, 0x37, true, 107},
        {"left windows", 0x5B, 0x5B, true, 133},
        {"menu key", 0x5D, 0x5D, true, 135},
        {"ISO key", 0xE2, 0x56, false, 94},
        {"F12", 0x7B, 0x58, false, 96},
        {"F13", 0x7C, 0x64, false, 191},
        {"F16", 0x7F, 0x67, false, 194},
        {"break is the pause key", 0x03, 0x46, false, 127},
        {"help", 0x2F, 0, false, 146},
        {"VK_PRINT has no key", 0x2A, 0, false, std::nullopt},
        {"scan 0x54 is no key", 0, 0x54, false, std::nullopt},
        {"unknown E0 key", 0, 0x10, true, std::nullopt},
    };
    for (const KeyEventCase& c : cases)
        EXPECT_EQ(keycodeForKeyEvent(c.vk, c.scan, c.extended), c.keycode) << c.what;
}

TEST(X11KeyCodes, ScanCodesOfKeycodesLeadBackToTheSameKey) {
    int named = 0;
    for (int keycode = 0; keycode < 256; ++keycode) {
        const auto scan = scanCodeOfKeycode(static_cast<std::uint8_t>(keycode));
        if (!scan)
            continue;
        ++named;
        EXPECT_EQ(keycodeForKeyEvent(0, scan->code, scan->extended), keycode) << keycode;
    }
    EXPECT_GT(named, 100);
}

} // namespace
} // namespace readerlink::platform
