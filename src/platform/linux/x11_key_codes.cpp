#include "platform/linux/x11_key_codes.h"

#include <array>

namespace readerlink::platform {

namespace {

constexpr std::uint8_t EvdevOffset = 8;

struct E0Row {
    std::uint8_t scan;
    std::uint8_t evdev;
};

constexpr E0Row E0Keys[] = {
    {0x1C, 96},  {0x1D, 97},  {0x35, 98},  {0x37, 99},  {0x38, 100}, {0x47, 102},
    {0x48, 103}, {0x49, 104}, {0x4B, 105}, {0x4D, 106}, {0x4F, 107}, {0x50, 108},
    {0x51, 109}, {0x52, 110}, {0x53, 111}, {0x5B, 125}, {0x5C, 126}, {0x5D, 127},
};

// F13-F16 sit above the range where scan and evdev codes agree.
constexpr E0Row HighPlainKeys[] = {{0x64, 183}, {0x65, 184}, {0x66, 185}, {0x67, 186}};

// Keys whose Windows scan code names no X key of their own.
std::optional<std::uint8_t> evdevOfVirtualKey(std::uint8_t vk) {
    switch (vk) {
    case 0x03: // VK_CANCEL: Break is Pause on a PC keyboard
    case 0x13: // VK_PAUSE
        return 119;
    case 0x2F: // VK_HELP
        return 138;
    default:
        return std::nullopt;
    }
}

bool plainScanIsEvdev(std::uint8_t scan) {
    // 0x54 and 0x55 are no keys of their own; evdev 84 is unassigned and
    // would land on the server's ISO_Level3 key.
    return (scan >= 0x01 && scan <= 0x53) || (scan >= 0x56 && scan <= 0x58);
}

} // namespace

std::optional<std::uint8_t> keycodeForKeyEvent(std::uint8_t vk, std::uint8_t scan,
                                               bool extendedFlag) {
    const ScanCode own = usScanCodeOf(vk);
    bool extended = extendedFlag;
    if (scan == 0) {
        scan = own.code;
        extended = extended || own.extended;
    } else if (scan == own.code && own.extended) {
        extended = true;
    }
    if (scan != 0) {
        if (extended) {
            for (const E0Row& row : E0Keys)
                if (row.scan == scan)
                    return static_cast<std::uint8_t>(row.evdev + EvdevOffset);
        } else {
            if (plainScanIsEvdev(scan))
                return static_cast<std::uint8_t>(scan + EvdevOffset);
            for (const E0Row& row : HighPlainKeys)
                if (row.scan == scan)
                    return static_cast<std::uint8_t>(row.evdev + EvdevOffset);
        }
    }
    if (const auto evdev = evdevOfVirtualKey(vk))
        return static_cast<std::uint8_t>(*evdev + EvdevOffset);
    return std::nullopt;
}

std::optional<ScanCode> scanCodeOfKeycode(std::uint8_t keycode) {
    if (keycode < EvdevOffset)
        return std::nullopt;
    const auto evdev = static_cast<std::uint8_t>(keycode - EvdevOffset);
    if (plainScanIsEvdev(evdev))
        return ScanCode{evdev, false};
    for (const E0Row& row : E0Keys)
        if (row.evdev == evdev)
            return ScanCode{row.scan, true};
    for (const E0Row& row : HighPlainKeys)
        if (row.evdev == evdev)
            return ScanCode{row.scan, false};
    return std::nullopt;
}

} // namespace readerlink::platform
