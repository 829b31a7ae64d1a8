#pragma once

// Keys an X client holds down through XTest stay down after the client dies.
// While armed, the termination signals first release every key marked down,
// over a second connection kept idle for just this (the first may be in the
// middle of a write), and then take their previous course.

#include <cstdint>

namespace readerlink::platform {

class SignalKeyRelease {
public:
    // Opens the spare connection; arms only if no other instance is armed.
    explicit SignalKeyRelease(const char* displayName);
    ~SignalKeyRelease();
    SignalKeyRelease(const SignalKeyRelease&) = delete;
    SignalKeyRelease& operator=(const SignalKeyRelease&) = delete;

    bool armed() const { return armed_; }

    // Lock-free: the handler reads these flags.
    void markDown(std::uint8_t keycode);
    void markUp(std::uint8_t keycode);

private:
    bool armed_ = false;
};

} // namespace readerlink::platform
