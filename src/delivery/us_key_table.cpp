#include "delivery/us_key_table.h"

#include <array>

namespace readerlink {

namespace {

struct Row {
    std::uint8_t vk;
    std::uint8_t scan;
    bool extended;
    bool typing;
};

constexpr Row Rows[] = {
    // Typing area.
    {0x08, 0x0E, false, true}, {0x09, 0x0F, false, true}, {0x0D, 0x1C, false, true},
    {0x1B, 0x01, false, true}, {0x20, 0x39, false, true},
    {'0', 0x0B, false, true},  {'1', 0x02, false, true},  {'2', 0x03, false, true},
    {'3', 0x04, false, true},  {'4', 0x05, false, true},  {'5', 0x06, false, true},
    {'6', 0x07, false, true},  {'7', 0x08, false, true},  {'8', 0x09, false, true},
    {'9', 0x0A, false, true},
    {'A', 0x1E, false, true},  {'B', 0x30, false, true},  {'C', 0x2E, false, true},
    {'D', 0x20, false, true},  {'E', 0x12, false, true},  {'F', 0x21, false, true},
    {'G', 0x22, false, true},  {'H', 0x23, false, true},  {'I', 0x17, false, true},
    {'J', 0x24, false, true},  {'K', 0x25, false, true},  {'L', 0x26, false, true},
    {'M', 0x32, false, true},  {'N', 0x31, false, true},  {'O', 0x18, false, true},
    {'P', 0x19, false, true},  {'Q', 0x10, false, true},  {'R', 0x13, false, true},
    {'S', 0x1F, false, true},  {'T', 0x14, false, true},  {'U', 0x16, false, true},
    {'V', 0x2F, false, true},  {'W', 0x11, false, true},  {'X', 0x2D, false, true},
    {'Y', 0x15, false, true},  {'Z', 0x2C, false, true},
    {0xBA, 0x27, false, true}, {0xBB, 0x0D, false, true}, {0xBC, 0x33, false, true},
    {0xBD, 0x0C, false, true}, {0xBE, 0x34, false, true}, {0xBF, 0x35, false, true},
    {0xC0, 0x29, false, true}, {0xDB, 0x1A, false, true}, {0xDC, 0x2B, false, true},
    {0xDD, 0x1B, false, true}, {0xDE, 0x28, false, true}, {0xE2, 0x56, false, true},
    // Modifiers and locks.
    {0x10, 0x2A, false, false}, {0x11, 0x1D, false, false}, {0x12, 0x38, false, false},
    {0xA0, 0x2A, false, false}, {0xA1, 0x36, false, false}, {0xA2, 0x1D, false, false},
    {0xA3, 0x1D, true, false},  {0xA4, 0x38, false, false}, {0xA5, 0x38, true, false},
    {0x14, 0x3A, false, false}, {0x90, 0x45, false, false}, {0x91, 0x46, false, false},
    {0x5B, 0x5B, true, false},  {0x5C, 0x5C, true, false},  {0x5D, 0x5D, true, false},
    // Navigation block.
    {0x21, 0x49, true, false},  {0x22, 0x51, true, false},  {0x23, 0x4F, true, false},
    {0x24, 0x47, true, false},  {0x25, 0x4B, true, false},  {0x26, 0x48, true, false},
    {0x27, 0x4D, true, false},  {0x28, 0x50, true, false},  {0x2D, 0x52, true, false},
    {0x2E, 0x53, true, false},  {0x2C, 0x37, true, false},  {0x03, 0x46, true, false},
    // Keypad.
    {0x0C, 0x4C, false, false}, {0x60, 0x52, false, false}, {0x61, 0x4F, false, false},
    {0x62, 0x50, false, false}, {0x63, 0x51, false, false}, {0x64, 0x4B, false, false},
    {0x65, 0x4C, false, false}, {0x66, 0x4D, false, false}, {0x67, 0x47, false, false},
    {0x68, 0x48, false, false}, {0x69, 0x49, false, false}, {0x6A, 0x37, false, false},
    {0x6B, 0x4E, false, false}, {0x6D, 0x4A, false, false}, {0x6E, 0x53, false, false},
    {0x6F, 0x35, true, false},
    // Function keys.
    {0x70, 0x3B, false, false}, {0x71, 0x3C, false, false}, {0x72, 0x3D, false, false},
    {0x73, 0x3E, false, false}, {0x74, 0x3F, false, false}, {0x75, 0x40, false, false},
    {0x76, 0x41, false, false}, {0x77, 0x42, false, false}, {0x78, 0x43, false, false},
    {0x79, 0x44, false, false}, {0x7A, 0x57, false, false}, {0x7B, 0x58, false, false},
    {0x7C, 0x64, false, false}, {0x7D, 0x65, false, false}, {0x7E, 0x66, false, false},
    {0x7F, 0x67, false, false},
};

struct Tables {
    std::array<ScanCode, 256> byVirtualKey{};
    std::array<std::uint8_t, 256> typingByScan{};
};

const Tables& tables() {
    static const Tables built = [] {
        Tables t;
        for (const Row& row : Rows) {
            t.byVirtualKey[row.vk] = ScanCode{row.scan, row.extended};
            if (row.typing)
                t.typingByScan[row.scan] = row.vk;
        }
        return t;
    }();
    return built;
}

} // namespace

ScanCode usScanCodeOf(std::uint8_t virtualKey) {
    return tables().byVirtualKey[virtualKey];
}

std::uint8_t usTypingVirtualKeyOf(std::uint8_t scan) {
    return tables().typingByScan[scan];
}

} // namespace readerlink
