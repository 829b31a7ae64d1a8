// The port component on the POSIX device, driven through pseudo-terminals.

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>
#include <sys/ioctl.h>
#include <termios.h>

#include "platform/linux/posix_serial_device.h"
#include "serial/comport.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/test_loop.h"

namespace readerlink::serial {
namespace {

using testing::PtyPair;
using testing::TempDir;
using testing::TestLoop;

// Modem lines and line-error counters as a real serial driver would give them.
class FakeLineSignals : public platform::TtyLineSignals {
public:
    std::optional<int> modemLines(int, int& osError) override {
        std::lock_guard lock(mutex_);
        osError = modemError_;
        return lines_;
    }
    std::optional<platform::TtyCounters> counters(int) override {
        std::lock_guard lock(mutex_);
        return counters_;
    }
    int setModemLine(int, int line, bool on) override {
        std::lock_guard lock(mutex_);
        driven_.emplace_back(line, on);
        if (driveError_ == 0 && lines_)
            *lines_ = on ? (*lines_ | line) : (*lines_ & ~line);
        return driveError_;
    }
    void set(std::optional<int> lines, std::optional<platform::TtyCounters> counters, int modemError = 0) {
        std::lock_guard lock(mutex_);
        lines_ = lines;
        counters_ = counters;
        modemError_ = modemError;
    }
    void failDriving(int error) {
        std::lock_guard lock(mutex_);
        driveError_ = error;
    }
    // The output lines driven so far, in order.
    std::vector<std::pair<int, bool>> driven() {
        std::lock_guard lock(mutex_);
        return driven_;
    }
    std::optional<int> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::mutex mutex_;
    std::optional<int> lines_;
    std::optional<platform::TtyCounters> counters_;
    int modemError_ = 0;
    int driveError_ = 0;
    std::vector<std::pair<int, bool>> driven_;
};

class ComPortOnPty : public ::testing::Test {
protected:
    ComPortOnPty() {
        ports_.link("COM3", pty_.slavePath());
        platform::ComPortPaths paths;
        paths.portsSection = [this](const std::u16string& name) -> std::optional<std::string> {
            auto it = portsSection_.find(name);
            if (it == portsSection_.end())
                return std::nullopt;
            return it->second;
        };
        paths.portsFolder = ports_.path();
        devices_ = platform::makePosixSerialDeviceFactory(paths, signals_);
        port_ = std::make_unique<ComPort>(*devices_, loop_);
        ConfigureForMrzReader(*port_);
        port_->SetPort(u"COM3");
    }

    // A handler that fetches every announced byte.
    void readEverything() {
        port_->OnRxChar = [this](CustomComPort& port, int count) {
            counts_.push_back(count);
            std::u16string text;
            port.ReadStr(text, count);
            received_ += text;
        };
    }

    bool receive(std::size_t length) {
        return loop_.runUntil([&] { return received_.size() >= length; });
    }

    TestLoop loop_;
    PtyPair pty_;
    TempDir ports_;
    std::shared_ptr<FakeLineSignals> signals_ = std::make_shared<FakeLineSignals>();
    std::map<std::u16string, std::string> portsSection_;
    std::unique_ptr<SerialDeviceFactory> devices_;
    std::unique_ptr<ComPort> port_;
    std::vector<int> counts_;
    std::u16string received_;
};

TEST_F(ComPortOnPty, OpensReceivesClosesAndReopens) {
    readEverything();
    port_->Open();
    ASSERT_TRUE(port_->Connected());
    pty_.write("P<UTO\x80\xC4");
    ASSERT_TRUE(receive(7));
    EXPECT_EQ(received_, u"P<UTO\u20AC\u00C4"); // Windows-1252

    port_->Close();
    EXPECT_FALSE(port_->Connected());
    port_->Close(); // closed already: nothing

    received_.clear();
    port_->Open();
    port_->Open(); // open already: nothing
    pty_.write("AGAIN");
    ASSERT_TRUE(receive(5));
    EXPECT_EQ(received_, u"AGAIN");
}

TEST_F(ComPortOnPty, AppliesTheReaderLineSettingsOnEveryOpen) {
    for (int round = 0; round < 2; ++round) {
        termios messed{};
        ASSERT_EQ(tcgetattr(pty_.slave(), &messed), 0);
        messed.c_cflag |= HUPCL | PARENB;
        messed.c_lflag |= ICANON | ECHO;
        cfsetispeed(&messed, B1200);
        ASSERT_EQ(tcsetattr(pty_.slave(), TCSANOW, &messed), 0);

        port_->Open();
        termios t{};
        ASSERT_EQ(tcgetattr(pty_.slave(), &t), 0);
        EXPECT_EQ(cfgetispeed(&t), B9600);
        EXPECT_EQ(cfgetospeed(&t), B9600);
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | HUPCL), 0u);
        EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
        EXPECT_NE(t.c_cflag & CLOCAL, 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
        port_->Close();
    }
}

struct OutputLinesCase {
    const char* name;
    TDTRFlowControl dtr;
    TRTSFlowControl rts;
    std::vector<std::pair<int, bool>> driven; // RTS under handshake is the driver's
};
void PrintTo(const OutputLinesCase& c, std::ostream* os) { *os << c.name; }

class OutputLines : public ComPortOnPty, public ::testing::WithParamInterface<OutputLinesCase> {};

TEST_P(OutputLines, AreDrivenAsTheFlowControlSaysAtOpen) {
    const OutputLinesCase& c = GetParam();
    signals_->set(TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR, platform::TtyCounters{});
    port_->FlowControl().SetControlDTR(c.dtr);
    port_->FlowControl().SetControlRTS(c.rts);
    port_->Open();
    EXPECT_EQ(signals_->driven(), c.driven);
    const bool dtrOn = c.dtr == TDTRFlowControl::dtrEnable;
    EXPECT_EQ((*signals_->lines() & TIOCM_DTR) != 0, dtrOn);
    port_->Close();
}

INSTANTIATE_TEST_SUITE_P(
    FlowControl, OutputLines,
    ::testing::Values(
        OutputLinesCase{"MrzReaderDropsDtr", TDTRFlowControl::dtrDisable, TRTSFlowControl::rtsHandshake,
                        {{TIOCM_DTR, false}}},
        OutputLinesCase{"BothRaised", TDTRFlowControl::dtrEnable, TRTSFlowControl::rtsEnable,
                        {{TIOCM_DTR, true}, {TIOCM_RTS, true}}},
        OutputLinesCase{"BothDropped", TDTRFlowControl::dtrDisable, TRTSFlowControl::rtsDisable,
                        {{TIOCM_DTR, false}, {TIOCM_RTS, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPortOnPty, AnOutputLineThatCannotBeDrivenFailsTheOpen) {
    signals_->set(TIOCM_DTR, platform::TtyCounters{});
    signals_->failDriving(EIO);
    try {
        port_->Open();
        FAIL() << "opened";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), u"SetCommState function failed (Error: 5)");
    }
    EXPECT_FALSE(port_->Connected());
}

TEST_F(ComPortOnPty, ModemLinesAreReportedOnWhereTheDeviceHasNone) {
    std::vector<std::pair<std::string, bool>> calls;
    port_->OnCTSChange = [&](CustomComPort&, bool on) { calls.emplace_back("CTS", on); };
    port_->OnDSRChange = [&](CustomComPort&, bool on) { calls.emplace_back("DSR", on); };
    port_->OnRLSDChange = [&](CustomComPort&, bool on) { calls.emplace_back("RLSD", on); };
    port_->Open();
    port_->Close();
    const std::vector<std::pair<std::string, bool>> expected = {
        {"CTS", true}, {"DSR", true}, {"RLSD", true}, {"CTS", false}, {"DSR", false}, {"RLSD", false}};
    EXPECT_EQ(calls, expected);
}

TEST_F(ComPortOnPty, BreaksLineErrorsAndModemChangesAreRaisedAtTheNextWake) {
    platform::TtyCounters counters;
    signals_->set(TIOCM_CTS | TIOCM_DSR, counters);
    std::vector<std::string> calls;
    ComErrors errors;
    auto onOff = [&](std::string what) {
        return [&calls, what](CustomComPort&, bool on) { calls.push_back(what + (on ? "+" : "-")); };
    };
    port_->OnCTSChange = onOff("CTS");
    port_->OnDSRChange = onOff("DSR");
    port_->OnRLSDChange = onOff("RLSD");
    port_->OnBreak = [&](CustomComPort&) { calls.push_back("Break"); };
    port_->OnRing = [&](CustomComPort&) { calls.push_back("Ring"); };
    port_->OnError = [&](CustomComPort&, ComErrors e) {
        errors = e;
        calls.push_back("Error");
    };
    port_->OnRxChar = [&](CustomComPort& port, int count) {
        calls.push_back("RxChar");
        std::u16string text;
        port.ReadStr(text, count);
    };
    port_->Open();
    EXPECT_EQ(calls, (std::vector<std::string>{"CTS+", "DSR+", "RLSD-"}));

    // A break arrives as a NUL byte; the driver counts it with a framing error,
    // while CTS drops and the carrier comes up.
    calls.clear();
    counters.brk = 1;
    counters.frame = 2;
    signals_->set(TIOCM_DSR | TIOCM_CAR, counters);
    pty_.write(std::string(1, '\0'));
    ASSERT_TRUE(loop_.runUntil([&] { return calls.size() >= 5; }));
    EXPECT_EQ(calls, (std::vector<std::string>{"Error", "RxChar", "Break", "CTS-", "RLSD+"}));
    EXPECT_EQ(errors, (ComErrors{ComError::ceFrame, ComError::ceBreak}));

    // The end of a ring.
    calls.clear();
    signals_->set(TIOCM_DSR | TIOCM_CAR | TIOCM_RNG, counters);
    pty_.write("a");
    ASSERT_TRUE(loop_.runUntil([&] { return !calls.empty(); }));
    signals_->set(TIOCM_DSR | TIOCM_CAR, counters);
    pty_.write("b");
    ASSERT_TRUE(loop_.runUntil([&] { return calls.size() >= 3; }));
    EXPECT_EQ(calls, (std::vector<std::string>{"RxChar", "RxChar", "Ring"}));
    port_->Close();
}

TEST_F(ComPortOnPty, AFailingModemStatusRaisesAfterOpening) {
    signals_->set(0, std::nullopt, EIO);
    try {
        port_->Open();
        FAIL() << "no error";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), u"GetCommModemStatus function failed (Error: 5)");
    }
    EXPECT_TRUE(port_->Connected());
}

struct MissingCase {
    const char* name;
    std::u16string port;
};
void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class MissingDevice : public ComPortOnPty, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingDevice, FailsWithTheMissingDeviceErrorAndALaterOpenWorks) {
    ports_.link("COM5", ports_.path() / "nothing-here");
    port_->SetPort(GetParam().port);
    try {
        port_->Open();
        FAIL() << "opened";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), u"Unable to open com port (Error: 2)");
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.WinCode(), 2);
    }
    EXPECT_FALSE(port_->Connected());

    readEverything();
    port_->SetPort(u"COM3");
    port_->Open();
    pty_.write("OK");
    EXPECT_TRUE(receive(2));
}

INSTANTIATE_TEST_SUITE_P(Names, MissingDevice,
                         ::testing::Values(MissingCase{"DanglingLink", u"COM5"},
                                           MissingCase{"Negative", u"COM-3"},
                                           MissingCase{"Zero", u"COM0"},
                                           MissingCase{"NotAComName", u"LPT1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPortOnPty, ADeviceHeldByAnotherPortCannotBeOpened) {
    port_->Open();
    ComPort second(*devices_, loop_);
    second.SetPort(u"COM3");
    try {
        second.Open();
        FAIL() << "opened twice";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.Code(), 1);
        EXPECT_EQ(e.message(), u"Unable to open com port (Error: 16)");
    }
    EXPECT_FALSE(second.Connected());

    port_->Close();
    second.Open(); // free again
    EXPECT_TRUE(second.Connected());
}

struct NameCase {
    const char* name;
    bool viaSettings; // [Ports] entry, else a link in the ports folder
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class PortNames : public ComPortOnPty, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PortNames, TwoDigitPortsOpenThroughTheMapping) {
    if (GetParam().viaSettings)
        portsSection_[u"COM10"] = pty_.slavePath();
    else
        ports_.link("COM10", pty_.slavePath());
    readEverything();
    port_->SetPort(u"COM10");
    port_->Open();
    pty_.write("10");
    EXPECT_TRUE(receive(2));
}

INSTANTIATE_TEST_SUITE_P(Mapping, PortNames,
                         ::testing::Values(NameCase{"SettingsEntry", true},
                                           NameCase{"PortsFolderLink", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPortOnPty, SettingTheSameNameKeepsThePortAndADifferentOneReopens) {
    PtyPair other;
    ports_.link("COM4", other.slavePath());
    int opens = 0;
    port_->OnAfterOpen = [&](CustomComPort&) { ++opens; };
    readEverything();
    port_->Open();
    port_->SetPort(u"COM3");
    EXPECT_EQ(opens, 1);
    port_->SetPort(u"COM4");
    EXPECT_EQ(opens, 2);
    EXPECT_TRUE(port_->Connected());
    other.write("four");
    EXPECT_TRUE(receive(4));
    EXPECT_EQ(received_, u"four");
}

TEST_F(ComPortOnPty, ReadStrTakesWhatWaitsWithoutWaitingForMore) {
    std::vector<int> results;
    std::vector<std::u16string> texts;
    port_->OnRxChar = [&](CustomComPort& port, int count) {
        counts_.push_back(count);
        if (count < 5)
            return; // the rest is on its way
        for (int want : {0, -1, 100}) {
            std::u16string text = u"stale";
            results.push_back(port.ReadStr(text, want));
            texts.push_back(text);
        }
    };
    port_->Open();
    pty_.write("12345");
    ASSERT_TRUE(loop_.runUntil([&] { return !results.empty(); }));
    EXPECT_EQ(results, (std::vector<int>{0, 0, 5}));
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"", u"", u"12345"}));
    EXPECT_EQ(port_->InputCount(), 0);
    port_->Close();
}

TEST_F(ComPortOnPty, ReadStrOnAClosedPortRaisesPortNotOpen) {
    std::u16string text;
    try {
        port_->ReadStr(text, 10);
        FAIL() << "read a closed port";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), u"Port Not Open");
        EXPECT_EQ(e.Code(), 24);
        EXPECT_EQ(e.WinCode(), -1);
    }
}

TEST_F(ComPortOnPty, BytesAHandlerLeavesAreAnnouncedAgainWithTheNextArrival) {
    port_->OnRxChar = [&](CustomComPort&, int count) { counts_.push_back(count); };
    port_->Open();
    pty_.write("AB");
    ASSERT_TRUE(loop_.runUntil([&] { return !counts_.empty() && counts_.back() == 2; }));
    pty_.write("C");
    ASSERT_TRUE(loop_.runUntil([&] { return counts_.back() == 3; }));
    std::u16string text;
    EXPECT_EQ(port_->ReadStr(text, 10), 3);
    EXPECT_EQ(text, u"ABC");
}

TEST_F(ComPortOnPty, CloseRunsAHandOverThatIsQueuedBeforeEndingTheThread) {
    readEverything();
    port_->Open();
    pty_.write("Q");
    ASSERT_TRUE(loop_.waitForPosted()); // the event thread now blocks on it
    EXPECT_TRUE(received_.empty());
    port_->Close();
    EXPECT_EQ(received_, u"Q");
    EXPECT_FALSE(port_->Connected());
}

TEST_F(ComPortOnPty, AnUnpluggedReaderEndsTheEventsAndTheNextOpenWorks) {
    std::vector<std::u16string> ends;
    port_->OnEventThreadEnd = [&](CustomComPort&, const std::u16string& reason) { ends.push_back(reason); };
    readEverything();
    port_->Open();
    pty_.write("LAST");
    ASSERT_TRUE(receive(4)); // closing the master drops what was not read
    pty_.closeMaster();
    ASSERT_TRUE(loop_.runUntil([&] { return !ends.empty(); }));
    EXPECT_NE(ends[0].find(u"disconnected"), std::u16string::npos);
    EXPECT_TRUE(port_->Connected()); // open without events until closed

    port_->Close();
    EXPECT_FALSE(port_->Connected());

    PtyPair replugged;
    ports_.link("COM3", replugged.slavePath());
    received_.clear();
    port_->Open();
    replugged.write("BACK");
    EXPECT_TRUE(receive(4));
    EXPECT_EQ(ends.size(), 1u);
    port_->Close(); // before `replugged` goes and the handlers' state with it
}

TEST_F(ComPortOnPty, AnErrorDuringAHandOverIsReportedAndConnectRecovers) {
    std::vector<std::u16string> ends;
    port_->OnEventThreadEnd = [&](CustomComPort&, const std::u16string& reason) { ends.push_back(reason); };
    port_->OnRxChar = [&](CustomComPort&, int) { throw ComPortError(ComErrorCode::ReadFailed, 5); };
    port_->Open();
    pty_.write("X");
    ASSERT_TRUE(loop_.runUntil([&] { return !ends.empty(); }));
    EXPECT_EQ(ends, (std::vector<std::u16string>{u"ReadFile function failed (Error: 5)"}));
    EXPECT_TRUE(port_->Connected());

    readEverything();
    port_->Close();
    port_->Open();
    pty_.write("Y");
    EXPECT_TRUE(receive(1));
    EXPECT_EQ(received_, u"Y"); // the unread byte went with the old thread's purge
    port_->Close();
}

TEST_F(ComPortOnPty, AFullInputQueueHoldsTheRestBackWithoutLoss) {
    // The handler reads nothing until the queue is full, then everything.
    std::string sent;
    for (int i = 0; i < 70000; ++i)
        sent.push_back(static_cast<char>('A' + i % 26));
    bool sawFull = false;
    int rx80 = 0;
    port_->OnRx80Full = [&](CustomComPort&) { ++rx80; };
    port_->OnRxChar = [&](CustomComPort& port, int count) {
        if (count < 65536 && !sawFull)
            return;
        sawFull = true;
        std::u16string text;
        port.ReadStr(text, count);
        received_ += text;
    };
    port_->Open();
    std::thread writer([&] { pty_.write(sent); });
    const bool all = receive(sent.size());
    writer.join();
    ASSERT_TRUE(all);
    EXPECT_TRUE(sawFull);
    EXPECT_GE(rx80, 1);
    EXPECT_EQ(received_, std::u16string(sent.begin(), sent.end()));
    port_->Close();
}

} // namespace
} // namespace readerlink::serial
