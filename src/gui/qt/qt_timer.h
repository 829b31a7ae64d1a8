#pragma once

#include "common/timer.h"

#include <QTimer>
#include <functional>

namespace readerlink::gui {

// A window timer on the Qt event loop.
class QtTimer : public Timer {
public:
    explicit QtTimer(std::chrono::milliseconds interval);

    void start() override;
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    void setHandler(std::function<void()> onExpiry) override { handler_ = std::move(onExpiry); }

    std::chrono::milliseconds interval() const { return timer_.intervalAsDuration(); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) override {
        return std::make_unique<QtTimer>(interval);
    }
};

} // namespace readerlink::gui
