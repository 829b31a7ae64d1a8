// The real window and the composed station, offscreen. "Send MRZ": the
// operator's text goes, after the SendData interval, to readerlink-host over
// the real local socket, or, without a display to type into, into the log as
// not typed. The page views show what the virtual reader captured, after
// every "Connect".

#include "platform/linux/reference_host.h"
#include "fakes/fake_autorun_store.h"
#include "fakes/fake_dialogs.h"
#include "support/temp_dir.h"
#include "gui/qt/main_window.h"
#include "gui/qt/page_image_view.h"
#include "gui/qt/qt_timer.h"
#include "gui/qt/qt_window_bundle.h"
#include "station/station_assembly.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>

namespace readerlink::station::testing {

using gui::MainWindow;
using gui::QtTimer;
using gui::QtWindowBundle;

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;
namespace {

using namespace std::chrono_literals;
using readerlink::testing::ReferenceHost;

// The window's timers a hundred times faster, so SendData needs no 2-second wait.
class QuickTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval) override {
        auto timer = std::make_unique<QtTimer>(std::max(interval / 100, 1ms));
        created.push_back(timer.get());
        return timer;
    }
    // MinTimer, SendData, TriggerTimer, BufferTimer, as the station makes them.
    std::vector<Timer*> created;
};

const std::u16string kMrz =
    u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";

class ComposedWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A private runtime folder: the host listens there and nowhere else.
        runtime = new TempDir;
        ::setenv("XDG_RUNTIME_DIR", runtime->path().c_str(), 1);
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_composed_window";
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
        writeFile(dir / "Settings.ini", "[VirtualReader]\nSpecimens=" READERLINK_SPECIMENS
                                        "\nGlass=" +
                                            (dir / "glass").string() + "\n");
        LocationEnvironment environment = currentLocationEnvironment(dir / "readerlink");
        const StationLocations locations = resolveStationLocations(environment);
        station = std::make_unique<Station>(StationSetup{dir / "readerlink",
                                                         {},
                                                         dialogs,
                                                         autorun,
                                                         timers,
                                                         &log,
                                                         locations.settingsFile,
                                                         locations.defaultPictureFolder});
        window = std::make_unique<MainWindow>(*station);
        station->setView(window.get());
        windowParts = std::make_unique<QtWindowBundle>(*station, *window, true);
        assembly = std::make_unique<StationAssembly>(*station, locations, windowParts->bundle());
        station->FormCreate();
        window->show();
    }
    void TearDown() override {
        window->close();
        assembly.reset();
        windowParts.reset();
        window.reset();
        station.reset();
    }

    // Runs the event loop until `done` holds or the bound passes.
    template <class Condition>
    bool runUntil(Condition done, std::chrono::milliseconds bound = 10s) {
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
    std::unique_ptr<QtWindowBundle> windowParts;
    std::unique_ptr<StationAssembly> assembly;
};

TEST_F(ComposedWindow, EnteredTextReachesTheHostAfterTheInterval) {
    ReferenceHost host;
    station->setAppIndex(0); // ORLAM
    dialogs.inputAnswers.push_back(kMrz);
    station->dispatch([this] { station->BtnTestClick(); });

    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(log.str().find("Data sent "), std::string::npos); // not before the interval
    ASSERT_TRUE(runUntil([&] { return log.str().find("Data sent ") != std::string::npos; }))
        << log.str();
    EXPECT_TRUE(host.waitFor("text \"" + toUtf8(kMrz) + "\"")) << host.output();
    EXPECT_FALSE(timers.created.at(1)->isActive()); // SendData ran once
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ComposedWindow, DirectWithoutADisplayLogsTheTextAsNotTyped) {
    station->setAppIndex(1); // Direct
    dialogs.inputAnswers.push_back(u"L898902C36UTO");
    station->dispatch([this] { station->BtnTestClick(); });

    ASSERT_TRUE(runUntil([&] { return log.str().find("data not typed: ") != std::string::npos; }))
        << log.str();
    EXPECT_NE(log.str().find("Typing into the target application is unavailable: no X display\n"),
              std::string::npos);
    EXPECT_NE(log.str().find("Typing is unavailable (no X display), data not typed: L898902C36UTO"),
              std::string::npos)
        << log.str();
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ComposedWindow, PageViewsShowTheCapturedPagesAfterEveryConnect) {
    // Showing the window made the first "Connect"; these are the next two.
    for (int connect = 2; connect <= 3; ++connect) {
        SCOPED_TRACE(connect);
        station->dispatch([this] { station->BtnConnectClick(); });
        window->pageImageView()->clear();
        window->infraImageView()->clear();
        const std::size_t from = log.str().size();
        // Laid as tools/lay-specimen does: whole, by a rename.
        std::filesystem::copy_file(READERLINK_SPECIMENS "/td3-passport.json", dir / ".laying");
        std::filesystem::rename(dir / ".laying", dir / "glass" / "td3-passport.json");
        ASSERT_TRUE(runUntil([&] {
            return log.str().find("MRZ Done.", from) != std::string::npos;
        })) << log.str();
        EXPECT_FALSE(window->pageImageView()->image().isNull());
        EXPECT_FALSE(window->infraImageView()->image().isNull());
        std::filesystem::remove(dir / "glass" / "td3-passport.json");
    }
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace readerlink::station::testing
