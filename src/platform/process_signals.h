#pragma once

// The process's signals, set once at start: a log reader that goes away must
// not end the station, and a stop request from outside (a service stop,
// Ctrl+C in a terminal) closes the window as the operator would, so the close
// step still saves the choices.

#include <functional>

namespace readerlink::platform {

// `onStop` runs on a thread of its own, once per request; hand it to the
// user-interface thread. Without it the system's default action stays.
void handleProcessSignals(std::function<void()> onStop);

} // namespace readerlink::platform
