#pragma once

// A small X client for tests and benchmarks: a window that takes the input
// focus and writes down, in order, the characters its key presses produce
// (Enter as '\r'), as a typical Xlib application reads them.

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <vector>

namespace readerlink::testing {

class XKeyReceiver {
public:
    XKeyReceiver();
    ~XKeyReceiver();
    XKeyReceiver(const XKeyReceiver&) = delete;
    XKeyReceiver& operator=(const XKeyReceiver&) = delete;

    Display* display() const { return display_; }

    // What has arrived since the last call. Call after a round trip on the
    // sender's connection: the round trip here then sees every event.
    std::u32string take();

    // Reads until `count` characters have arrived or `timeout` passes;
    // returns what arrived (for senders that give no round trip, xdotool).
    std::u32string waitFor(std::size_t count, std::chrono::milliseconds timeout);

    // Keycodes the server has down, from any client.
    std::vector<int> keysDown();

private:
    void readQueued();

    Display* display_ = nullptr;
    Window window_ = 0;
    std::u32string text_;
};

} // namespace readerlink::testing
