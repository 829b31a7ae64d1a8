#include "gui/qt/qt_window_bundle.h"

#include "common/text.h"
#include "gui/qt/qt_text.h"

#include <QMessageBox>
#include <iostream>

namespace readerlink::gui {

QtWindowBundle::QtWindowBundle(station::Station& station, MainWindow& window, bool headless)
    : window_(window), headless_(headless), threads_(station), pageViews_(window) {}

station::WindowBundle QtWindowBundle::bundle() {
    MainWindow* window = &window_;
    // The keystroke engine's own boxes ("SendKeys"), also kept on standard error.
    KeyboardMessageBox messageBox = [window](std::u16string_view text,
                                             std::u16string_view caption) {
        std::cerr << toUtf8(caption) << ": " << toUtf8(text) << std::endl;
        QMessageBox box(QMessageBox::NoIcon, qs(caption), qs(text), QMessageBox::Ok, window);
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
