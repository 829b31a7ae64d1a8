#include "x_key_receiver.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <xkbcommon/xkbcommon.h>

#include <stdexcept>
#include <utility>

namespace readerlink::testing {

XKeyReceiver::XKeyReceiver() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr)
        throw std::runtime_error("XKeyReceiver: no X display");
    const int screen = DefaultScreen(display_);
    window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0, 300, 100, 0,
                                  BlackPixel(display_, screen), WhitePixel(display_, screen));
    XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
    XMapRaised(display_, window_);
    for (XEvent event;;) {
        XNextEvent(display_, &event);
        if (event.type == MapNotify)
            break;
    }
    XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    XSync(display_, False);
}

XKeyReceiver::~XKeyReceiver() {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void XKeyReceiver::readQueued() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        if (event.type != KeyPress)
            continue;
        char bytes[32];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&event.xkey, bytes, sizeof bytes, &keysym, nullptr);
        if (keysym == XK_Return) {
            text_.push_back(U'\r');
        } else if (length > 0) {
            for (int i = 0; i < length; ++i) // Latin-1
                text_.push_back(static_cast<unsigned char>(bytes[i]));
        } else if (const char32_t ch = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym))) {
            text_.push_back(ch);
        }
    }
}

std::u32string XKeyReceiver::take() {
    XSync(display_, False);
    readQueued();
    return std::exchange(text_, {});
}

std::u32string XKeyReceiver::waitFor(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        readQueued();
        if (text_.size() >= count)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
    return std::exchange(text_, {});
}

std::vector<int> XKeyReceiver::keysDown() {
    char keys[32];
    XQueryKeymap(display_, keys);
    std::vector<int> down;
    for (int keycode = 0; keycode < 256; ++keycode)
        if (keys[keycode / 8] & (1 << (keycode % 8)))
            down.push_back(keycode);
    return down;
}

} // namespace readerlink::testing
