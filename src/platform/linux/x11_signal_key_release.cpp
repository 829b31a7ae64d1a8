#include "platform/linux/x11_signal_key_release.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/xtestconst.h>
#include <X11/extensions/xtestproto.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace readerlink::platform {

namespace {

constexpr std::array<int, 5> Signals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT};

// Everything the handler touches, set up before it is installed.
struct HandlerState {
    std::atomic<bool> armed{false};
    int fd = -1;
    std::uint8_t xtestOpcode = 0;
    std::array<std::atomic<std::uint8_t>, 256> down{};
    std::array<struct sigaction, Signals.size()> previous{};
};

HandlerState state;
Display* spare = nullptr;
bool spareUsedRaw = false;

// Xlib keeps the socket non-blocking; wait for it with poll, which is
// async-signal-safe, and give up after a second rather than hang the exit.
bool waitFor(int fd, short events) {
    pollfd ready{fd, events, 0};
    return ::poll(&ready, 1, 1000) == 1;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT))
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, bytes, size);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLIN))
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Async-signal-safe: raw protocol on the idle connection.
void releaseAll() {
    xXTestFakeInputReq request;
    std::memset(&request, 0, sizeof request);
    request.reqType = state.xtestOpcode;
    request.xtReqType = X_XTestFakeInput;
    request.length = sz_xXTestFakeInputReq >> 2;
    request.type = KeyRelease;
    // Twice, with a round trip after each: presses the main connection had
    // already written may be handled after the first batch.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t keycode = 0; keycode < state.down.size(); ++keycode) {
            if (!state.down[keycode].load(std::memory_order_relaxed))
                continue;
            request.detail = static_cast<std::uint8_t>(keycode);
            if (!writeAll(state.fd, &request, sizeof request))
                return;
        }
        // Once the reply is in, the server has handled the releases; a
        // socket closed with them unread could otherwise lose them.
        const std::uint8_t getInputFocus[4] = {43, 0, 1, 0};
        if (!writeAll(state.fd, getInputFocus, sizeof getInputFocus))
            return;
        std::uint8_t reply[32] = {};
        do {
            if (!readAll(state.fd, reply, sizeof reply))
                return;
        } while (reply[0] != 1); // events (keymap notices) come first
    }
}

void onSignal(int signal) {
    const int savedErrno = errno;
    if (state.armed.exchange(false)) {
        spareUsedRaw = true;
        releaseAll();
        for (std::size_t i = 0; i < Signals.size(); ++i)
            sigaction(Signals[i], &state.previous[i], nullptr);
    }
    errno = savedErrno;
    raise(signal);
}

} // namespace

SignalKeyRelease::SignalKeyRelease(const char* displayName) {
    if (state.armed.load() || spare != nullptr)
        return;
    spare = XOpenDisplay(displayName);
    if (spare == nullptr)
        return;
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(spare, XTestExtensionName, &opcode, &event, &error)) {
        XCloseDisplay(spare);
        spare = nullptr;
        return;
    }
    XSync(spare, False);
    state.fd = ConnectionNumber(spare);
    state.xtestOpcode = static_cast<std::uint8_t>(opcode);
    for (auto& flag : state.down)
        flag.store(0);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : Signals)
        sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < Signals.size(); ++i)
        sigaction(Signals[i], &action, &state.previous[i]);
    state.armed.store(true);
    armed_ = true;
}

SignalKeyRelease::~SignalKeyRelease() {
    if (!armed_)
        return;
    if (state.armed.exchange(false))
        for (std::size_t i = 0; i < Signals.size(); ++i)
            sigaction(Signals[i], &state.previous[i], nullptr);
    if (spareUsedRaw) {
        // Xlib's idea of the connection no longer matches what was sent.
        ::close(state.fd);
    } else {
        XCloseDisplay(spare);
    }
    spare = nullptr;
    spareUsedRaw = false;
    state.fd = -1;
}

void SignalKeyRelease::markDown(std::uint8_t keycode) {
    if (armed_)
        state.down[keycode].store(1, std::memory_order_relaxed);
}

void SignalKeyRelease::markUp(std::uint8_t keycode) {
    if (armed_)
        state.down[keycode].store(0, std::memory_order_relaxed);
}

} // namespace readerlink::platform
