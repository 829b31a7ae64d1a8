// "Send MRZ" on the real window and the composed station: the operator's text
// goes, after the SendData interval, to readerlink-host over the real local
// socket, or, without a display to type into, into the log as not typed.

#include "../platform/linux/reference_host.h"
#include "fakes/fake_autorun_store.h"
#include "fakes/fake_dialogs.h"
#include "fakes/temp_dir.h"
#include "shell/main_window.h"
#include "shell/qt_timer.h"
#include "shell/station_assembly.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>

namespace readerlink::shell::testing {
namespace {

using namespace std::chrono_literals;
using readerlink::testing::ReferenceHost;

// The window's timers a hundred times faster, so SendData needs no 2-second wait.
class QuickTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) override {
        return std::make_unique<QtTimer>(std::max(interval / 100, 1ms));
    }
};

const std::u16string kMrz =
    u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";

class SendMrzWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A private runtime folder: the host listens there and nowhere else.
        runtime = new TempDir;
        ::setenv("XDG_RUNTIME_DIR", runtime->path().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_send_mrz_window";
        static char* argv[] = {name, nullptr};
        application = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application;
        application = nullptr;
        delete runtime;
        runtime = nullptr;
    }
    static inline QApplication* application = nullptr;
    static inline TempDir* runtime = nullptr;

    void SetUp() override {
        LocationEnvironment environment = currentLocationEnvironment(dir / "readerlink");
        const StationLocations locations = resolveStationLocations(environment);
        station = std::make_unique<Station>(StationSetup{dir / "readerlink", {}, dialogs, autorun,
                                                         timers, &log, locations.settingsFile,
                                                         locations.defaultPictureFolder});
        window = std::make_unique<MainWindow>(*station);
        station->setView(window.get());
        assembly = std::make_unique<StationAssembly>(*station, *window,
                                                     AssemblyOptions{locations, true});
        station->formCreate();
        window->show();
    }
    void TearDown() override {
        window->close();
        assembly.reset();
        window.reset();
        station.reset();
    }

    // Runs the event loop until `done` holds or the bound passes.
    template <class Condition> bool runUntil(Condition done, std::chrono::milliseconds bound = 10s) {
        const auto end = std::chrono::steady_clock::now() + bound;
        while (!done() && std::chrono::steady_clock::now() < end)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    TempDir dir;
    FakeDialogs dialogs;
    FakeAutorunStore autorun;
    QuickTimers timers;
    std::ostringstream log;
    std::unique_ptr<Station> station;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<StationAssembly> assembly;
};

TEST_F(SendMrzWindow, EnteredTextReachesTheHostAfterTheInterval) {
    ReferenceHost host;
    station->setAppIndex(0); // ORLAM
    dialogs.inputAnswers.push_back(kMrz);
    station->dispatch([this] { station->btnTestClick(); });

    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(log.str().find("Data sent "), std::string::npos); // not before the interval
    ASSERT_TRUE(runUntil([&] { return log.str().find("Data sent ") != std::string::npos; }))
        << log.str();
    EXPECT_TRUE(host.waitFor("text \"" + toUtf8(kMrz) + "\"")) << host.output();
    EXPECT_FALSE(station->sendDataTimer().isActive());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SendMrzWindow, DirectWithoutADisplayLogsTheTextAsNotTyped) {
    station->setAppIndex(1); // Direct
    dialogs.inputAnswers.push_back(u"L898902C36UTO");
    station->dispatch([this] { station->btnTestClick(); });

    ASSERT_TRUE(runUntil([&] { return log.str().find("data not typed: ") != std::string::npos; }))
        << log.str();
    EXPECT_NE(log.str().find("Typing into the target application is unavailable: no X display\n"),
              std::string::npos);
    EXPECT_NE(log.str().find("Typing is unavailable (no X display), data not typed: L898902C36UTO"),
              std::string::npos)
        << log.str();
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
} // namespace readerlink::shell::testing
