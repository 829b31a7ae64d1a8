#include "gui/qt/qt_window_bundle.h"

#include "common/text.h"
#include "gui/qt/qt_text.h"

#include <QMessageBox>
#include <QTimer>
#include <iostream>

namespace readerlink::gui {

QtWindowBundle::QtWindowBundle(station::Station& station, MainWindow& window, bool headless)
    : window_(window), headless_(headless), threads_(station), pageViews_(window) {}

station::WindowBundle QtWindowBundle::bundle() {
    MainWindow* window = &window_;
    // The keystroke engine's own boxes ("SendKeys"), also kept on standard
    // error. They come up while typing, when the main window is minimized: no
    // owner, so no window manager hides them with it; on top and focused, so
    // the operator sees what typing waits for.
    KeyboardMessageBox messageBox = [](std::u16string_view text, std::u16string_view caption) {
        std::cerr << toUtf8(caption) << ": " << toUtf8(text) << std::endl;
        QMessageBox box(QMessageBox::NoIcon, qs(caption), qs(text), QMessageBox::Ok);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.setWindowModality(Qt::ApplicationModal);
        QTimer::singleShot(0, &box, [&box] {
            box.raise();
            box.activateWindow();
        });
        box.exec();
    };
    return station::WindowBundle{
        threads_,
        messageLoop_,
        &pageViews_,
        std::move(messageBox),
        [window] { return static_cast<WindowId>(window->winId()); },
        headless_ ? std::u16string(u"no X display") : std::u16string(),
    };
}

} // namespace readerlink::gui
