// The typing engine's boxes ("Invalid Key Name", "No Close") come up while the
// main window is minimized — typing follows "/m" and "Send MRZ". Under a real
// window manager they must still be seen and answered: top-level, viewable
// and focused, not hidden with the iconified window that would own them.

#include "gui/qt/main_window.h"
#include "gui/qt/qt_window_bundle.h"
#include "station_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>

namespace readerlink::station::testing {
namespace {

using namespace std::chrono_literals;
using gui::MainWindow;
using gui::QtWindowBundle;

// What the X server says of a window: "IsViewable", "IsUnmapped", ...
QString mapState(WId window) {
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    xwininfo.waitForFinished();
    const QString out = QString::fromUtf8(xwininfo.readAllStandardOutput());
    const auto at = out.indexOf(QStringLiteral("Map State: "));
    return at < 0 ? QString() : out.mid(at + 11).section(QLatin1Char('\n'), 0, 0).trimmed();
}

// The window manager's word on a window: "Normal", "Iconic" or "" (unmanaged).
QString wmState(WId window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window), QStringLiteral("WM_STATE")});
    xprop.waitForFinished();
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput());
    const auto at = out.indexOf(QStringLiteral("window state: "));
    return at < 0 ? QString() : out.mid(at + 14).section(QLatin1Char('\n'), 0, 0).trimmed();
}

template <class Condition> bool runUntil(Condition done, std::chrono::milliseconds bound = 5s) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done() && std::chrono::steady_clock::now() < end)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class TypingBoxTest : public StationFixture {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "test_gui_qt_boxes";
        static char* argv[] = {name, nullptr};
        application = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application;
        application = nullptr;
    }
    static inline QApplication* application = nullptr;
};

TEST_F(TypingBoxTest, ShowsOnTopAndFocusedWhileTheWindowIsMinimized) {
    start();
    MainWindow window(*station);
    station->setView(&window);
    station->FormCreate();
    QtWindowBundle parts(*station, window, false);
    WindowBundle bundle = parts.bundle();
    window.show();
    ASSERT_TRUE(runUntil([&] { return wmState(window.winId()) == QStringLiteral("Normal"); }));
    window.showMinimized();
    ASSERT_TRUE(runUntil([&] { return wmState(window.winId()) == QStringLiteral("Iconic"); }))
        << "the window manager did not iconify the window";

    QString seenState;
    bool topLevel = false;
    bool focused = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = nullptr;
        runUntil([&] {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            return box && wmState(box->winId()) == QStringLiteral("Normal") &&
                   mapState(box->winId()) == QStringLiteral("IsViewable") &&
                   QApplication::activeWindow() == box;
        });
        if (box) {
            seenState = mapState(box->winId());
            topLevel = box->parentWidget() == nullptr &&
                       box->windowHandle()->transientParent() == nullptr;
            focused = QApplication::activeWindow() == box;
            box->accept();
        }
    });
    bundle.messageBox(u"Invalid Key Name", u"SendKeys");

    EXPECT_EQ(seenState, QStringLiteral("IsViewable"));
    EXPECT_TRUE(topLevel);
    EXPECT_TRUE(focused);
    station->setView(nullptr);
}

} // namespace
} // namespace readerlink::station::testing
