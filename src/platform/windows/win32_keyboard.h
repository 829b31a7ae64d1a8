#pragma once

// The keyboard backend on Windows: the engine's calls are the system's own
// (keybd_event, VkKeyScanW, the keyboard state, the layout request).

#include "delivery/keyboard_backend.h"

#include <functional>
#include <memory>
#include <string_view>

namespace readerlink {

// Shows the engine's modal message box (text, caption "SendKeys") and returns
// when it is dismissed.
using KeyboardMessageBox =
    std::function<void(std::u16string_view text, std::u16string_view caption)>;

namespace platform {

// Without showMessageBox the texts go to MessageBoxW.
std::unique_ptr<KeyboardBackend> makeWin32KeyboardBackend(KeyboardMessageBox showMessageBox = {});

} // namespace platform
} // namespace readerlink
