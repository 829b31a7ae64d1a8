#pragma once

// Physical key identity between Windows and an X server with evdev keycodes:
// set-1 scan codes 0x01-0x58 are the Linux evdev codes, X keycode = evdev + 8;
// E0-prefixed keys and a few others have their own table.

#include "delivery/us_key_table.h"

#include <cstdint>
#include <optional>

namespace readerlink::platform {

// The X keycode keybd_event(vk, scan, flags) means. A scan of 0 is derived
// from vk through the US table; a scan that is vk's own US scan code takes
// vk's own extended-ness, so VK_LEFT never lands on the keypad.
std::optional<std::uint8_t> keycodeForKeyEvent(std::uint8_t vk, std::uint8_t scan,
                                               bool extendedFlag);

// The scan code of an X keycode, for keys with one (the inverse of the above).
std::optional<ScanCode> scanCodeOfKeycode(std::uint8_t keycode);

} // namespace readerlink::platform
