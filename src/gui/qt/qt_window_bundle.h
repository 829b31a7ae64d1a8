#pragma once

// The Qt window's side of the station's composition: its thread, message
// loop, page views, message box and window id, bundled for StationAssembly.

#include "gui/qt/main_window.h"
#include "gui/qt/qt_message_loop.h"
#include "gui/qt/qt_page_views.h"
#include "gui/qt/qt_station_threads.h"
#include "station/station_assembly.h"

namespace readerlink::gui {

class QtWindowBundle {
public:
    // `headless`: Qt's offscreen or minimal platform, no X display to type into.
    QtWindowBundle(station::Station& station, MainWindow& window, bool headless);
    QtWindowBundle(const QtWindowBundle&) = delete;
    QtWindowBundle& operator=(const QtWindowBundle&) = delete;

    // Must not outlive this object.
    station::WindowBundle bundle();
    UiThread& uiThread() { return threads_; }

private:
    MainWindow& window_;
    bool headless_;
    QtStationThreads threads_;
    QtMessageLoop messageLoop_;
    QtPageViews pageViews_;
};

} // namespace readerlink::gui
