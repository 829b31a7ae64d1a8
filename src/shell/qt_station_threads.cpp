#include "shell/qt_station_threads.h"

#include <QMetaObject>
#include <QTimer>

namespace readerlink::shell {

QtStationThreads::QtStationThreads(Station& station) : station_(station) {}

QtStationThreads::~QtStationThreads() = default;

void QtStationThreads::post(std::function<void()> task, std::chrono::milliseconds delay) {
    // Queued to the context's thread first: a timer can only start there.
    QMetaObject::invokeMethod(
        &context_,
        [this, task = std::move(task), delay]() mutable {
            QTimer::singleShot(delay, &context_,
                               [this, task = std::move(task)] { station_.dispatch(task); });
        },
        Qt::QueuedConnection);
}

void QtStationThreads::post(std::function<void()> task) {
    QMetaObject::invokeMethod(
        &context_, [this, task = std::move(task)] { station_.dispatch(task); },
        Qt::QueuedConnection);
}

} // namespace readerlink::shell
