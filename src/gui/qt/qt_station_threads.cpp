#include "gui/qt/qt_station_threads.h"

#include <QMetaObject>
#include <QTimer>

namespace readerlink::gui {

QtStationThreads::QtStationThreads(station::Station& station) : station_(station) {}

QtStationThreads::~QtStationThreads() = default;

void QtStationThreads::post(std::function<void()> task, std::chrono::milliseconds delay) {
    if (delay.count() == 0) {
        QMetaObject::invokeMethod(
            &context_, [this, task = std::move(task)] { station_.dispatch(task); },
            Qt::QueuedConnection);
        return;
    }
    // Queued to the context's thread first: a timer can only start there.
    QMetaObject::invokeMethod(
        &context_,
        [this, task = std::move(task), delay]() mutable {
            QTimer::singleShot(delay, &context_,
                               [this, task = std::move(task)] { station_.dispatch(task); });
        },
        Qt::QueuedConnection);
}

} // namespace readerlink::gui
