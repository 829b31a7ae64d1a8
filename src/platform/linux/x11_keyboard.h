#pragma once

// The keyboard backend for an X server: key events through XTest on one
// private connection, characters looked up in the live XKB keymap, layout
// switches as XKB group locks on that same connection.

#include "delivery/keyboard_backend.h"

#include <functional>
#include <memory>
#include <string_view>

namespace readerlink::platform {

// Connects to displayName (nullptr: $DISPLAY). Throws readerlink::Error with a
// one-line reason when there is no display, no XTest or XKB, or the server
// does not use evdev keycodes. Without showMessageBox the texts go to stderr.
// While the backend lives, SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGABRT
// first release every key it holds down, then take their previous course.
std::unique_ptr<KeyboardBackend> makeX11KeyboardBackend(KeyboardMessageBox showMessageBox = {},
                                                        const char* displayName = nullptr);

} // namespace readerlink::platform
