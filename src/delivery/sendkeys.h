#pragma once

// The keystroke engine: turns a key string into synthetic key events for the
// window that has the keyboard focus.

#include <string>
#include <string_view>

#include "common/error.h"
#include "delivery/keyboard_backend.h"

namespace readerlink {

// A brace group's repeat count that is not an integer. The text is
// "'<part>' is not a valid integer value".
class ConversionError : public Error {
public:
    explicit ConversionError(std::u16string_view notAnInteger);
};

// Types `keys` (up to its first NUL) through `keyboard`. Returns false for an
// empty string and for a brace group left open ("No Close"); true otherwise.
// With `pumpMessages`, the calling thread's keyboard messages are handled
// after every key event. Every modifier the call pressed is released on every
// way out, a thrown ConversionError included.
bool SendKeys(KeyboardBackend& keyboard, std::u16string_view keys, bool pumpMessages);

} // namespace readerlink
