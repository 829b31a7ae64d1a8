#pragma once

#include <chrono>
#include <memory>

#include "common/timer.h"

namespace readerlink::shell {

// Makes the window's timers, stopped, with their interval fixed.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) = 0;
};

} // namespace readerlink::shell
