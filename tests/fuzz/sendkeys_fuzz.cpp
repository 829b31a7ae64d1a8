// Any key string: no crash, no read out of bounds, and no modifier left down
// on the keyboard whichever way the call ends.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "delivery/recording_keyboard.h"
#include "delivery/sendkeys.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace readerlink;
    // ASCII bytes stand for themselves, so the syntax is easy to reach; a
    // byte from 0x80 up joins the next one into any other code unit.
    std::u16string keys;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0x80 || i + 1 == size)
            keys.push_back(data[i]);
        else {
            keys.push_back(static_cast<char16_t>((data[i] & 0x7F) << 8 | data[i + 1]));
            ++i;
        }
    }
    // Both layouts, switching between them as the string says.
    RecordingKeyboard keyboard(size % 2 ? arabicLayout() : usEnglishLayout());
    try {
        SendKeys(keyboard, keys, size % 3 == 0);
    } catch (const ConversionError&) {
    }
    for (std::uint8_t modifier : {vk::Shift, vk::Control, vk::Menu})
        if (keyboard.isDown(modifier))
            std::abort();
    return 0;
}
