#include "platform/process_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace readerlink::platform {

namespace {

int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Only async-signal-safe work here; the watcher thread does the rest.
    (void)!::write(stopPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void handleProcessSignals(std::function<void()> onStop) {
    ::signal(SIGPIPE, SIG_IGN);
    if (!onStop || ::pipe2(stopPipe, O_CLOEXEC) != 0)
        return;
    // Lives as long as the process: a stop may come at any moment.
    std::thread([onStop = std::move(onStop)] {
        for (;;) {
            char byte = 0;
            const ssize_t n = ::read(stopPipe[0], &byte, 1);
            if (n == 1)
                onStop();
            else if (n < 0 && errno != EINTR)
                return;
        }
    }).detach();
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace readerlink::platform
