#include "gui/qt/qt_timer.h"

namespace readerlink::gui {

QtTimer::QtTimer(std::chrono::milliseconds interval) {
    timer_.setInterval(interval);
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (handler_)
            handler_();
    });
}

void QtTimer::start() {
    // Enabling a running window timer leaves its countdown alone.
    if (!timer_.isActive())
        timer_.start();
}

} // namespace readerlink::gui
