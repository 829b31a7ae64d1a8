// The window's life and handlers, driven headless.

#include "common/error.h"
#include "common/text.h"
#include "fakes/fake_instance_lock.h"
#include "station/null_links.h"
#include "station/single_instance_start.h"
#include "station/station.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

namespace readerlink::station::testing {
namespace {

using namespace std::chrono_literals;

class StationLife : public StationFixture {};

TEST_F(StationLife, CreationSetsTimersStatusWordsAndHidesAutorun) {
    Station& s = start();
    s.FormCreate();
    const struct {
        ManualTimer& timer;
        std::chrono::milliseconds interval;
        bool active;
    } expected[] = {
        {minTimer(), 2000ms, true},
        {sendDataTimer(), 2000ms, false},
        {triggerTimer(), 2000ms, false},
        {bufferTimer(), 1000ms, false},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(e.timer.interval, e.interval);
        EXPECT_EQ(e.timer.isActive(), e.active);
    }
    EXPECT_FALSE(s.autorunVisible());
    EXPECT_FALSE(s.autorunChecked());
    EXPECT_TRUE(s.scanData().empty());
}

TEST_F(StationLife, ShowingTheWindowOpensMainThenConnects) {
    Station& s = start();
    s.FormCreate();
    s.setErrorLabelVisible(true);
    calls.during = [&](const std::string&) {
        EXPECT_EQ(view.pages, std::vector<Page>{Page::Main});
        EXPECT_FALSE(view.errorLabel);
    };
    s.FormShow();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"reader.connect"});
}

TEST_F(StationLife, ConnectBranchesOnTheReaderItem) {
    Station& s = startAndShow();
    const struct {
        int item;
        std::vector<std::string> calls;
    } cases[] = {
        {0, {}},
        {1, {"serial.connect"}},
        {2, {}},
        {3, {"reader.connect"}},
        {4, {}},
        {5, {"serial.connect"}},
        {6, {"serial.connect"}},
        {-1, {}},
    };
    for (const auto& c : cases) {
        s.setReaderIndex(c.item);
        calls.calls.clear();
        s.BtnConnectClick();
        EXPECT_EQ(calls.calls, c.calls) << c.item;
        EXPECT_EQ(ProfileFile(settingsPath()).readInteger(u"Reader", u"Index", 99), c.item);
    }
}

TEST_F(StationLife, ReadButtonAndTriggerTimerReadOnlyOnTheDeskReader) {
    Station& s = startAndShow();
    calls.calls.clear();
    s.BtnTriggerClick();
    triggerTimer().start();
    triggerTimer().fire();
    EXPECT_EQ(calls.calls, (std::vector<std::string>{"reader.read", "reader.read"}));
    s.setReaderIndex(1);
    calls.calls.clear();
    s.BtnTriggerClick();
    EXPECT_TRUE(calls.calls.empty());
}

TEST_F(StationLife, BufferTimerGoesToTheSerialChannel) {
    Station& s = startAndShow();
    calls.calls.clear();
    s.bufferTimer().start();
    bufferTimer().fire();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"serial.buffer"});
}

struct MinimizedStartCase {
    const char* name;
    std::vector<std::u16string> arguments;
    bool minimizes;
};

class MinimizedStart : public StationFixture,
                       public ::testing::WithParamInterface<MinimizedStartCase> {};

TEST_P(MinimizedStart, OnlyAnExactFirstArgumentMinimizesOnce) {
    startAndShow(GetParam().arguments);
    EXPECT_EQ(view.minimizes, 0); // not before the timer
    for (int tick = 0; tick < 3; ++tick)
        minTimer().fire();
    EXPECT_EQ(view.minimizes, GetParam().minimizes ? 1 : 0);
    EXPECT_EQ(minTimer().isActive(), !GetParam().minimizes);
}

INSTANTIATE_TEST_SUITE_P(Arguments, MinimizedStart,
                         ::testing::Values(MinimizedStartCase{"LowerM", {u"/m"}, true},
                                           MinimizedStartCase{
                                               "LowerMThenMore", {u"/m", u"x"}, true},
                                           MinimizedStartCase{"UpperM", {u"/M"}, false},
                                           MinimizedStartCase{"None", {}, false},
                                           MinimizedStartCase{"Second", {u"x", u"/m"}, false},
                                           MinimizedStartCase{"WithBlank", {u"/m "}, false},
                                           MinimizedStartCase{"Dash", {u"-m"}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

class SendMrz : public StationFixture {};

TEST_F(SendMrz, AsksPrefilledThenMinimizesAndDeliversOnTheTimer) {
    Station& s = startAndShow();
    s.scanData() = u"OLD";
    dialogs.inputAnswers.push_back(u"P<UTOERIKSSON<<ANNA");
    calls.calls.clear();
    s.BtnTestClick();
    ASSERT_EQ(dialogs.inputs.size(), 1u);
    EXPECT_EQ(dialogs.inputs[0].caption, u"MRZ");
    EXPECT_EQ(dialogs.inputs[0].prompt, u"Enter MRZ");
    EXPECT_EQ(dialogs.inputs[0].initial, u"OLD");
    EXPECT_EQ(s.scanData(), u"P<UTOERIKSSON<<ANNA");
    EXPECT_EQ(view.minimizes, 1);
    EXPECT_TRUE(sendDataTimer().isActive());
    EXPECT_TRUE(calls.calls.empty()); // not before the timer

    sendDataTimer().fire();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"sendDataToApp"});
    EXPECT_FALSE(sendDataTimer().isActive());
    sendDataTimer().fire();
    EXPECT_EQ(calls.calls.size(), 1u);
}

TEST_F(SendMrz, EmptyEntryIsStillDelivered) {
    Station& s = startAndShow();
    s.scanData() = u"OLD";
    dialogs.inputAnswers.push_back(u"");
    calls.calls.clear();
    s.BtnTestClick();
    EXPECT_EQ(s.scanData(), u"");
    sendDataTimer().fire();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"sendDataToApp"});
}

TEST_F(SendMrz, CancelChangesNothing) {
    Station& s = startAndShow();
    s.scanData() = u"OLD";
    dialogs.inputAnswers.push_back(std::nullopt);
    s.BtnTestClick();
    EXPECT_EQ(s.scanData(), u"OLD");
    EXPECT_EQ(view.minimizes, 0);
    EXPECT_FALSE(sendDataTimer().isActive());
}

class StationErrors : public StationFixture {};

TEST_F(StationErrors, UncaughtErrorsReachTheErrorDisplayAndTheStationGoesOn) {
    Station& s = startAndShow();
    const struct {
        std::function<void()> raise;
        std::u16string shown;
    } cases[] = {
        {[] { throw Error(u"Port Not Open"); }, u"Port Not Open."},
        {[] { throw Error(u"Unable to open com port (Error: 2)"); },
         u"Unable to open com port (Error: 2)"},
        {[] { throw std::runtime_error("bad repeat count"); }, u"bad repeat count."},
        {[] { throw 42; }, u"Unknown error."},
    };
    for (const auto& c : cases) {
        calls.during = [&](const std::string&) { c.raise(); };
        s.dispatch([&] { s.BtnTriggerClick(); });
    }
    ASSERT_EQ(dialogs.errors.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(dialogs.errors[i], cases[i].shown);

    // An error inside a timer's handler ends that tick only.
    calls.during = [&](const std::string&) { throw Error(u"Delivery failed"); };
    dialogs.inputAnswers.push_back(u"X");
    s.BtnTestClick();
    sendDataTimer().fire();
    EXPECT_EQ(dialogs.errors.back(), u"Delivery failed.");
    EXPECT_FALSE(sendDataTimer().isActive());
}

TEST_F(StationErrors, EndApplicationStopsWithoutTheCloseStep) {
    Station& s = startAndShow();
    s.endApplication();
    EXPECT_TRUE(view.ended);
    EXPECT_FALSE(ProfileFile(settingsPath()).read(u"Barcode", u"PhotoPath").has_value());
}

class StationAutorun : public StationFixture {};

TEST_F(StationAutorun, CheckingWritesTheEntryAndUncheckingRemovesIt) {
    Station& s = startAndShow();
    s.setAppIndex(1);
    s.BtnAutoClick(true);
    ASSERT_EQ(autorun.entries.count(u"2D Barcode"), 1u);
    EXPECT_EQ(autorun.entries[u"2D Barcode"].executable, executable());
    EXPECT_EQ(autorun.entries[u"2D Barcode"].arguments, u"/m 1");
    EXPECT_TRUE(s.autorunChecked());
    s.BtnAutoClick(false);
    EXPECT_TRUE(autorun.entries.empty());
    s.BtnAutoClick(false); // nothing to remove: no effect, no error
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(StationAutorun, FailedWriteShowsTheSystemsMessage) {
    Station& s = startAndShow();
    autorun.failWrites = true;
    s.dispatch([&] { s.BtnAutoClick(true); });
    EXPECT_EQ(dialogs.errors, std::vector<std::u16string>{u"Failed to set data for '2D Barcode'"});
    EXPECT_TRUE(autorun.entries.empty());
}

class StationLog : public StationFixture {};

TEST_F(StationLog, EveryLogLineAlsoGoesToStandardOutput) {
    Station& s = startAndShow();
    out.str("");
    s.log(u"Data sent P<UTO");
    s.logStatus(u"<use device>");
    s.log(u"L1\r\nL2");
    s.log(u"");
    EXPECT_EQ(out.str(), "Data sent P<UTO\n<use device>\nL1\nL2\n\n");
    EXPECT_EQ(view.statusLabel, u"<use device>");
    EXPECT_EQ(view.log.back(), u"");
}

TEST_F(StationLog, NullLinksSayWhatIsMissing) {
    Station& s = start();
    s.setPassportReader(nullptr);
    s.setDelivery(nullptr);
    s.FormCreate();
    s.FormShow();
    EXPECT_EQ(view.statusLabel, kNoPassportReader);
    s.BtnTriggerClick();
    s.BtnSendDataClick();
    EXPECT_EQ(view.log, (std::vector<std::u16string>{std::u16string(kNoPassportReader),
                                                     std::u16string(kNoPassportReader),
                                                     std::u16string(kNoDelivery)}));
    EXPECT_EQ(out.str(), toUtf8(kNoPassportReader) + "\n" + toUtf8(kNoPassportReader) + "\n" +
                             toUtf8(kNoDelivery) + "\n");
}

TEST_F(StationLog, FolderChooserIsTitledAndStartsAtTheCurrentFolder) {
    Station& s = startAndShow();
    s.setPicturePath(u"/srv/photos");
    s.browsePicturePath(); // cancelled
    EXPECT_EQ(dialogs.folderTitles, std::vector<std::u16string>{u"Select Directory"});
    EXPECT_EQ(dialogs.folderInitials, std::vector<std::string>{"/srv/photos"});
    EXPECT_EQ(s.picturePath(), u"/srv/photos");
}

} // namespace
} // namespace readerlink::station::testing

namespace readerlink::station::testing {
namespace {

TEST(ClaimStation, SecondStationIsToldAlreadyRunning) {
    FakeDialogs dialogs;
    FakeInstanceLock lock;
    EXPECT_TRUE(claimStation(lock, dialogs));
    EXPECT_TRUE(dialogs.messages.empty());
    lock.heldElsewhere = true;
    EXPECT_FALSE(claimStation(lock, dialogs));
    EXPECT_EQ(dialogs.messages, std::vector<std::u16string>{u"Already running"});
}

} // namespace
} // namespace readerlink::station::testing
