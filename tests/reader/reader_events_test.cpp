#include "support/reader_station_fixture.h"

namespace readerlink::reader {
namespace {

using namespace readerlink::reader::testing;

class ReaderEventsTest : public ReaderStationTest {
protected:
    void SetUp() override {
        station.setReadWorkflow([this] {
            ++reads;
            journal.push_back("read");
        });
    }
    void connect() {
        station.BtnConnectClick();
        journal.clear();
    }

    int reads = 0;
};

struct StatusCase {
    int status;
    const char* statusBar;
    bool reads;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << "status " << c.status;
}

class DocumentStatusTest : public ReaderEventsTest,
                           public ::testing::WithParamInterface<StatusCase> {};

TEST_P(DocumentStatusTest, ShowsTheStatusAndReadsOnlyWhenReady) {
    connect();
    reader.sink->OnTestDocEvent(GetParam().status);
    EXPECT_EQ(toUtf8(window.statusBar), GetParam().statusBar);
    EXPECT_EQ(reads, GetParam().reads ? 1 : 0);
    EXPECT_FALSE(containsPrefix(journal, "log:")) << "status events write nothing to the log";
}

INSTANTIATE_TEST_SUITE_P(Statuses, DocumentStatusTest,
                         ::testing::Values(StatusCase{0, "No document ...", false},
                                           StatusCase{1, "Document is moving ...", false},
                                           StatusCase{2, "Document stopped ...", false},
                                           StatusCase{4, "Ready to capture ...", true},
                                           StatusCase{3, "Status: 3", false},
                                           StatusCase{-1, "Status: -1", false},
                                           StatusCase{5, "Status: 5", false}),
                         [](const auto& info) {
                             return "Status" + std::string(info.param.status < 0 ? "Minus" : "") +
                                    std::to_string(std::abs(info.param.status));
                         });

TEST_F(ReaderEventsTest, StatusesInTheirOrderEndInOneReadAfterReady) {
    connect();
    for (int status : {0, 1, 2, 4})
        reader.sink->OnTestDocEvent(status);
    EXPECT_EQ(journal, (std::vector<std::string>{"status bar: No document ...",
                                                 "status bar: Document is moving ...",
                                                 "status bar: Document stopped ...",
                                                 "status bar: Ready to capture ...", "read"}));
}

struct PREventCase {
    int event, param1, param2;
    std::vector<std::string> journal;
};

void PrintTo(const PREventCase& c, std::ostream* os) {
    *os << "PREvent " << c.event;
}

class PREventTest : public ReaderEventsTest, public ::testing::WithParamInterface<PREventCase> {};

TEST_P(PREventTest, LogsTheExactTexts) {
    connect();
    window.lblStatus = u"before";
    reader.sink->OnPREvent(GetParam().event, GetParam().param1, GetParam().param2);
    EXPECT_EQ(journal, GetParam().journal);
}

INSTANTIATE_TEST_SUITE_P(
    Events, PREventTest,
    ::testing::Values(
        PREventCase{101, 5, -6, {"log: Page captured: param1 = 5, param2 = -6"}},
        PREventCase{102,
                    1,
                    0,
                    {"lblStatus: Image Captured", "log: Image captured: param1 = 1, param2 = 0"}},
        PREventCase{
            103, 0, 3, {"log: <Capture>", "log: ", "lblStatus: Capture", "process messages"}},
        PREventCase{7,
                    1,
                    -2,
                    {"lblStatus: Event Occured: PREvent = 7",
                     "log: Event occured: PREvent = 7, param1 = 1, param2 = -2"}}),
    [](const auto& info) { return "PREvent" + std::to_string(info.param.event); });

TEST_F(ReaderEventsTest, PageCapturedLeavesLblStatusAlone) {
    connect();
    window.lblStatus = u"before";
    reader.sink->OnPREvent(101, 0, 0);
    EXPECT_EQ(window.lblStatus, u"before");
}

TEST_F(ReaderEventsTest, ReadButtonReads) {
    connect();
    station.BtnTriggerClick();
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(journal.size() == 1 && journal[0] == "read");
}

TEST_F(ReaderEventsTest, ReadWorksWhenTheReaderCouldNotBeOpened) {
    reader.useDeviceResult = sdk::kSdkFalse;
    connect();
    station.BtnTriggerClick();
    EXPECT_EQ(reads, 1);
}

TEST_F(ReaderEventsTest, TriggerTimerClicksRead) {
    connect();
    station.TriggerTimerTimer();
    EXPECT_EQ(reads, 1);
}

TEST_F(ReaderEventsTest, ReadWithoutControlsLogsOneLineAndTouchesNothing) {
    faults.refusedCreations = {"PrDoc"};
    connect();
    station.BtnTriggerClick();
    ASSERT_TRUE(station.controls().prApi &&
                !station.controls().prDoc); // the reader control exists, the set does not
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(journal,
              std::vector<std::string>{"log: Read ignored: the reader controls are not available"});
}

TEST_F(ReaderEventsTest, AClickDuringARunningReadIsIgnoredWithOneLine) {
    connect();
    station.setReadWorkflow([this] {
        ++reads;
        station.BtnTriggerClick(); // what the read's message-loop runs let in
    });
    reader.sink->OnTestDocEvent(4);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(
        std::count(journal.begin(), journal.end(), "log: Read ignored: a read is already running"),
        1);
    EXPECT_FALSE(station.readRunning());
    station.BtnTriggerClick();
    EXPECT_EQ(reads, 2);
}

// Statuses the first read's message-loop runs let in, and how many reads follow.
struct LaidDuringReadCase {
    const char* name;
    std::vector<int> statuses;
    int reads;
    int laidLines; // "Document laid during a read" in the log
};

void PrintTo(const LaidDuringReadCase& c, std::ostream* os) {
    *os << c.name;
}

class LaidDuringReadTest : public ReaderEventsTest,
                           public ::testing::WithParamInterface<LaidDuringReadCase> {};

TEST_P(LaidDuringReadTest, ADocumentLaidDuringAReadIsReadOnceWhenItEnds) {
    connect();
    station.setReadWorkflow([this] {
        journal.push_back("read " + std::to_string(++reads));
        if (reads == 1)
            for (int status : GetParam().statuses)
                reader.sink->OnTestDocEvent(status);
        journal.push_back("end " + std::to_string(reads));
    });
    reader.sink->OnTestDocEvent(4);
    EXPECT_EQ(reads, GetParam().reads);
    EXPECT_FALSE(station.readRunning());
    const auto laid = std::count(journal.begin(), journal.end(),
                                 "log: Document laid during a read: it is read next");
    EXPECT_EQ(laid, GetParam().laidLines);
    if (GetParam().reads == 2) {
        // The second read starts after the first has ended, never inside it.
        const auto end1 = std::find(journal.begin(), journal.end(), "end 1");
        const auto read2 = std::find(journal.begin(), journal.end(), "read 2");
        EXPECT_LT(end1, read2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LaidDuringReadTest,
    ::testing::Values(LaidDuringReadCase{"OneDocument", {1, 2, 4}, 2, 1},
                      LaidDuringReadCase{"SeveralReadiesReadOnce", {4, 4, 4}, 2, 1},
                      LaidDuringReadCase{"TakenAwayAgain", {4, 0}, 1, 1},
                      LaidDuringReadCase{"TakenAwayAndLaidAgain", {4, 0, 1, 2, 4}, 2, 2},
                      LaidDuringReadCase{"OnlyMoving", {1, 2}, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReaderEventsTest, AReadThatThrowsLeavesTheStationReadyForTheNext) {
    connect();
    station.setReadWorkflow([] { throw Error(u"Disk full"); });
    EXPECT_THROW(station.BtnTriggerClick(), Error);
    EXPECT_FALSE(station.readRunning());
}

} // namespace
} // namespace readerlink::reader
