// The serial reader channel, fed through a pseudo-terminal.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/posix_serial_device.h"
#include "serial/port_replug.h"
#include "serial/serial_channel.h"
#include "support/pty_pair.h"
#include "support/manual_timer.h"
#include "support/recorders.h"
#include "support/temp_dir.h"
#include "support/test_loop.h"

namespace readerlink::serial {
namespace {

using namespace std::chrono_literals;
using testing::ManualTimer;
using testing::PtyPair;
using testing::RecordingDialogs;
using testing::RecordingLog;
using testing::TempDir;
using testing::TestLoop;

const std::string kMrz90 =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\r\nL898902C36UTO7408122F1204159ZE184226B<<<<<10\r\n";

template <class TimerType> std::unique_ptr<TimerType> makeBufferTimer(TestLoop& loop);
template <> std::unique_ptr<ManualTimer> makeBufferTimer(TestLoop&) {
    return std::make_unique<ManualTimer>();
}
template <> std::unique_ptr<Timer> makeBufferTimer(TestLoop& loop) {
    return loop.makeTimer(1000ms);
}

// The parts of the window the channel works with.
template <class TimerType> class ChannelParts {
public:
    ChannelParts() : timer_(makeBufferTimer<TimerType>(loop_)) {
        ports_.link("COM7", pty_.slavePath());
        devices_ = platform::makePosixSerialDeviceFactory({{}, ports_.path()});
        port_ = std::make_unique<ComPort>(*devices_, loop_);
        ConfigureForMrzReader(*port_);
        channel_ = std::make_unique<SerialChannel>(
            *port_, *timer_, scanData_, log_, dialogs_,
            [this] { delivered_.push_back(scanData_); }, [this] { return ReaderChoice{static_cast<int>(readerItem_)}; });
    }

    bool gathered(std::size_t length) {
        return loop_.runUntil([&] { return scanData_.size() >= length; });
    }

    TestLoop loop_;
    PtyPair pty_;
    TempDir ports_;
    std::unique_ptr<SerialDeviceFactory> devices_;
    std::unique_ptr<ComPort> port_;
    std::unique_ptr<TimerType> timer_;
    std::u16string scanData_;
    RecordingLog log_;
    RecordingDialogs dialogs_;
    std::vector<std::u16string> delivered_;
    ReaderKind readerItem_ = ReaderKind::Handheld;
    std::unique_ptr<SerialChannel> channel_;
};

class SerialChannelTest : public ::testing::Test, protected ChannelParts<ManualTimer> {};

std::u16string wide(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

TEST_F(SerialChannelTest, ABurstIsDeliveredOnceWholeWhenTheWindowCloses) {
    channel_->Connect(7);
    log_.lines = {{u"Reader connected"}};
    pty_.write(kMrz90.substr(0, 30));
    ASSERT_TRUE(gathered(30));
    EXPECT_TRUE(timer_->isActive());
    pty_.write(kMrz90.substr(30));
    ASSERT_TRUE(gathered(kMrz90.size()));
    EXPECT_EQ(timer_->countdowns, 1); // counted from the first announcement
    EXPECT_EQ(timer_->restarts, 0);   // and never moved by a later one
    EXPECT_TRUE(delivered_.empty());

    timer_->fire();
    EXPECT_EQ(delivered_, std::vector<std::u16string>{wide(kMrz90)});
    EXPECT_TRUE(scanData_.empty());
    EXPECT_FALSE(timer_->isActive());
    const std::vector<std::u16string> log = {u"Reader connected",
                                             u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                             u"L898902C36UTO7408122F1204159ZE184226B<<<<<10"};
    EXPECT_EQ(log_.texts(), log); // earlier lines kept
}

TEST_F(SerialChannelTest, CharactersAfterADeliveryStartASecondBurst) {
    channel_->Connect(7);
    pty_.write("FIRST");
    ASSERT_TRUE(gathered(5));
    timer_->fire();
    pty_.write("SECOND");
    ASSERT_TRUE(gathered(6));
    EXPECT_EQ(timer_->countdowns, 2);
    timer_->fire();
    EXPECT_EQ(delivered_, (std::vector<std::u16string>{u"FIRST", u"SECOND"}));
}

struct BurstCase {
    const char* name;
    ReaderKind readerItem;
    std::string sent;
    std::vector<std::u16string> delivered;
    std::vector<std::u16string> logged;
};
void PrintTo(const BurstCase& c, std::ostream* os) { *os << c.name; }

class Bursts : public SerialChannelTest, public ::testing::WithParamInterface<BurstCase> {};

TEST_P(Bursts, AreCutLoggedAndDeliveredByTheReaderKind) {
    const BurstCase& c = GetParam();
    readerItem_ = c.readerItem;
    channel_->Connect(7);
    pty_.write(c.sent);
    ASSERT_TRUE(gathered(c.sent.size()));
    timer_->fire();
    EXPECT_EQ(delivered_, c.delivered);
    EXPECT_EQ(log_.texts(), c.logged);
    EXPECT_TRUE(scanData_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Channel, Bursts,
    ::testing::Values(
        BurstCase{"CR100Header", ReaderKind::ThreeMCR100, "HDR01234P<UTO\r", {u"P<UTO\r"}, {u"P<UTO"}},
        BurstCase{"CR100EightCharacters", ReaderKind::ThreeMCR100, "12345678", {}, {}},
        BurstCase{"CR100Shorter", ReaderKind::ThreeMCR100, "1234", {}, {}},
        BurstCase{"HandheldKeepsEverything", ReaderKind::Handheld, "HDR01234P", {u"HDR01234P"}, {u"HDR01234P"}},
        BurstCase{"OnlyLineBreaks", ReaderKind::Handheld, "\r\n\r\n", {}, {u"", u""}},
        BurstCase{"BlanksAndControls", ReaderKind::MetrologicFocusMS1890, " \t\x01 ", {}, {u" \t\x01 "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialChannelTest, TheReaderChoiceAtDeliveryDecidesTheCut) {
    channel_->Connect(7);
    pty_.write("HDR01234P<UTO");
    ASSERT_TRUE(gathered(13));
    readerItem_ = ReaderKind::ThreeMCR100;
    timer_->fire();
    EXPECT_EQ(delivered_, std::vector<std::u16string>{u"P<UTO"});
}

TEST_F(SerialChannelTest, TextAnotherPathLeftIsDeliveredWithTheSerialText) {
    channel_->Connect(7);
    scanData_ = u"typed ";
    pty_.write("SERIAL");
    ASSERT_TRUE(gathered(12));
    timer_->fire();
    EXPECT_EQ(delivered_, std::vector<std::u16string>{u"typed SERIAL"});
}

TEST_F(SerialChannelTest, PortZeroAsksForAPortAndLeavesAnOpenPortOpen) {
    channel_->Connect(0);
    EXPECT_EQ(dialogs_.errors, std::vector<std::u16string>{u"Please choose com port"});
    EXPECT_FALSE(port_->Connected());

    channel_->Connect(7);
    channel_->Connect(0);
    EXPECT_EQ(dialogs_.errors.size(), 2u);
    EXPECT_TRUE(port_->Connected());
    EXPECT_EQ(port_->Port(), u"COM7");
}

TEST_F(SerialChannelTest, AnOpenFailureReachesTheCallerAndConnectWorksAgain) {
    ports_.link("COM9", (ports_.path() / "unplugged").string());
    for (int number : {-4, 9}) {
        try {
            channel_->Connect(number);
            FAIL() << number;
        } catch (const ComPortError& e) {
            EXPECT_EQ(e.message(), u"Unable to open com port (Error: 2)");
        }
        EXPECT_FALSE(port_->Connected());
        EXPECT_EQ(port_->Port(), u"COM" + toDecimal(number));
    }
    channel_->Connect(7);
    EXPECT_TRUE(port_->Connected());
}

TEST_F(SerialChannelTest, AnOpenFailureKeepsItsTextAndLogsTheDeviceTriedAndWhy) {
    channel_->diagnoseWith(*devices_);
    const std::string missing = (ports_.path() / "unplugged").string();
    ports_.link("COM9", missing);
    ComPort holder(*devices_, loop_);
    holder.SetPort(u"COM7");
    holder.Open();
    const std::string com7 = (ports_.path() / "COM7").string() + " -> " + pty_.slavePath();
    const struct {
        int number;
        std::u16string error;
        std::string logged;
    } cases[] = {
        {9, u"Unable to open com port (Error: 2)",
         "Serial port COM9: cannot open " + (ports_.path() / "COM9").string() + " -> " + missing +
             ": no such device. Plug the reader in, or map COM9"},
        {7, u"Unable to open com port (Error: 16)",
         "Serial port COM7: cannot open " + com7 + ": busy, held by another program or a second station."},
    };
    for (const auto& c : cases) {
        log_.lines.clear();
        try {
            channel_->Connect(c.number);
            FAIL() << c.number;
        } catch (const ComPortError& e) {
            EXPECT_EQ(e.message(), c.error);
        }
        ASSERT_EQ(log_.lines.size(), 1u) << c.number;
        EXPECT_EQ(toUtf8(log_.lines[0].text).rfind(c.logged, 0), 0u) << toUtf8(log_.lines[0].text);
    }
}

// The lock keeps out only programs that lock too; one that opened the device
// before is at least named.
TEST_F(SerialChannelTest, ConnectWarnsWhenAnotherProgramHasTheDeviceOpen) {
    channel_->diagnoseWith(*devices_);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::open(pty_.slavePath().c_str(), O_RDONLY | O_NOCTTY);
        [[maybe_unused]] const auto w = ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char x = 0;
    ASSERT_EQ(::read(ready[0], &x, 1), 1);
    channel_->Connect(7);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(log_.lines.size(), 1u);
    EXPECT_EQ(toUtf8(log_.lines[0].text),
              "Warning: serial port COM7 (" + (ports_.path() / "COM7").string() + " -> " +
                  pty_.slavePath() + ") is also open in another program (" + std::to_string(child) +
                  " test_serial_cha); it may take the reader's characters.");

    log_.lines.clear();
    channel_->Connect(7); // alone again
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(SerialChannelTest, ReconnectingKeepsAGatheredBurst) {
    channel_->Connect(7);
    pty_.write("KEEP");
    ASSERT_TRUE(gathered(4));
    channel_->Connect(7);
    EXPECT_TRUE(timer_->isActive());
    timer_->fire();
    EXPECT_EQ(delivered_, std::vector<std::u16string>{u"KEEP"});
}

TEST_F(SerialChannelTest, AStoppedEventThreadIsLoggedOnce) {
    channel_->Connect(7);
    pty_.write("GONE");
    ASSERT_TRUE(gathered(4));
    pty_.closeMaster();
    ASSERT_TRUE(loop_.runUntil([&] { return !log_.statusTexts().empty(); }));
    ASSERT_EQ(log_.statusTexts().size(), 1u);
    EXPECT_EQ(log_.statusTexts()[0].rfind(u"Serial port COM7 stopped receiving: the device was disconnected", 0), 0u)
        << toUtf8(log_.statusTexts()[0]);
}

// A USB adapter as udev shows it: a link in serial/by-id that goes, folder
// and all, with the adapter and comes back under another tty.
TEST_F(SerialChannelTest, AnUnpluggedReaderIsClosedAtOnceAndReopensWhenItsDeviceIsBack) {
    const std::filesystem::path byId = ports_.path() / "serial" / "by-id";
    const std::filesystem::path adapter = byId / "usb-FTDI_reader-if00-port0";
    std::filesystem::create_directories(byId);
    std::filesystem::create_symlink(pty_.slavePath(), adapter);
    ports_.link("COM8", adapter.string());
    PortReplug replug(*port_, *devices_, loop_, log_);
    channel_->reopenAfterReplug(replug);
    channel_->Connect(8);
    pty_.write("ONE");
    ASSERT_TRUE(gathered(3));

    std::filesystem::remove_all(ports_.path() / "serial");
    pty_.closeMaster();
    ASSERT_TRUE(loop_.runUntil([&] { return !log_.statusTexts().empty(); }));
    EXPECT_FALSE(port_->Connected()); // the dead device is closed, not left open
    const std::u16string mapped =
        fromUtf8((ports_.path() / "COM8").string() + " -> " + adapter.string());
    ASSERT_EQ(log_.statusTexts().size(), 1u);
    EXPECT_EQ(log_.statusTexts()[0], u"Serial port COM8 stopped receiving: the device was disconnected. "
                              u"Closed; it reopens by itself when " + mapped + u" is back.");

    PtyPair replugged;
    std::filesystem::create_directories(byId);
    std::filesystem::create_symlink(replugged.slavePath(), adapter);
    ASSERT_TRUE(loop_.runUntil([&] { return log_.statusTexts().size() >= 2; }));
    EXPECT_EQ(log_.statusTexts()[1], u"Serial port COM8 reopened: " + mapped + u" is back.");
    EXPECT_TRUE(port_->Connected());
    replugged.write("TWO");
    ASSERT_TRUE(gathered(6));
    timer_->fire();
    EXPECT_EQ(delivered_, std::vector<std::u16string>{u"ONETWO"});
    port_->Close();
}

TEST_F(SerialChannelTest, ConnectAfterAnUnplugTakesOverFromTheWaitForTheDevice) {
    const std::filesystem::path adapter = ports_.path() / "by-id-reader";
    std::filesystem::create_symlink(pty_.slavePath(), adapter);
    ports_.link("COM8", adapter.string());
    PortReplug replug(*port_, *devices_, loop_, log_);
    channel_->reopenAfterReplug(replug);
    channel_->Connect(8);
    std::filesystem::remove(adapter);
    pty_.closeMaster();
    ASSERT_TRUE(loop_.runUntil([&] { return !log_.statusTexts().empty(); }));

    PtyPair other;
    ports_.link("COM9", other.slavePath());
    channel_->Connect(9);
    PtyPair replugged;
    std::filesystem::create_symlink(replugged.slavePath(), adapter);
    other.write("NINE"); // a reopen of COM8 would come while this is gathered
    ASSERT_TRUE(gathered(4));
    EXPECT_EQ(port_->Port(), u"COM9");
    EXPECT_EQ(log_.statusTexts().size(), 1u);
    port_->Close();
}

// The real clock: the burst is delivered once, and not before its second is over.
TEST(SerialChannelRealTimer, DeliversABurstOnceAfterItsGatheringWindow) {
    ChannelParts<Timer> parts;
    parts.channel_->Connect(7);
    const auto written = std::chrono::steady_clock::now();
    parts.pty_.write(kMrz90);
    ASSERT_TRUE(parts.loop_.runUntil([&] { return !parts.delivered_.empty(); }, 5s));
    const auto elapsed = std::chrono::steady_clock::now() - written;
    EXPECT_GE(elapsed, 1000ms);
    EXPECT_EQ(parts.delivered_, std::vector<std::u16string>{wide(kMrz90)});
    EXPECT_FALSE(parts.timer_->isActive());
}

} // namespace
} // namespace readerlink::serial
