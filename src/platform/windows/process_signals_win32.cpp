#include "platform/process_signals.h"

#include <windows.h>

#include <utility>

namespace readerlink::platform {

namespace {

std::function<void()>* stopHandler = nullptr;

// Runs on a thread the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        if (stopHandler)
            (*stopHandler)();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

// A window program has no broken pipes to ignore; a console it was started
// from may still send Ctrl+C. Logging off closes the window by its own messages.
void handleProcessSignals(std::function<void()> onStop) {
    if (!onStop)
        return;
    static std::function<void()> handler;
    handler = std::move(onStop);
    stopHandler = &handler;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace readerlink::platform
