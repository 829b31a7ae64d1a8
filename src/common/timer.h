#pragma once

#include <functional>

namespace readerlink {

// A window timer: fires its handler on the user-interface thread every
// interval while active. The shell backs it with a QTimer; tests fire it by hand.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start() = 0; // no effect on the countdown when already active
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual void setHandler(std::function<void()> onExpiry) = 0;
};

} // namespace readerlink
