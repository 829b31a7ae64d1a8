#pragma once

#include "common/timer.h"

#include <chrono>
#include <memory>

namespace readerlink::shell {

// Makes the window's timers, stopped, with their interval fixed.
class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) = 0;
};

} // namespace readerlink::shell
