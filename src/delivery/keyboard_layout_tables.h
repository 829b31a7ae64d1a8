#pragma once

// VkKeyScanW of two Windows keyboard layouts, for the recording keyboard:
// English (United States) "00000409" and Arabic (101) "00000401".

#include <cstdint>
#include <string_view>

namespace readerlink {

class KeyboardLayoutTable {
public:
    virtual ~KeyboardLayoutTable() = default;
    virtual std::u16string_view klid() const = 0;
    // NoKeyCode when the layout has no key for ch.
    virtual std::uint16_t vkKeyScan(char16_t ch) const = 0;
};

const KeyboardLayoutTable& usEnglishLayout();
const KeyboardLayoutTable& arabicLayout();

// nullptr for a layout neither table describes.
const KeyboardLayoutTable* layoutByKlid(std::u16string_view klid);

} // namespace readerlink
