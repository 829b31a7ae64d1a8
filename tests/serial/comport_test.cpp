// The port component against an in-memory device: what it asks of the
// device, how failures surface, and the order in which it calls back.

#include <gtest/gtest.h>

#include "serial/comport.h"
#include "support/fake_serial_device.h"
#include "support/test_loop.h"

namespace readerlink::serial {
namespace {

using namespace device;
using testing::FakeSerialDevices;
using testing::TestLoop;

TEST(ComEventsMask, EachEventHasItsDeviceBit) {
    const std::vector<std::pair<ComEvent, std::uint32_t>> table = {
        {ComEvent::evRxChar, 0x001}, {ComEvent::evTxEmpty, 0x004}, {ComEvent::evRxFlag, 0x002},
        {ComEvent::evRing, 0x100},   {ComEvent::evBreak, 0x040},   {ComEvent::evCTS, 0x008},
        {ComEvent::evDSR, 0x010},    {ComEvent::evError, 0x080},   {ComEvent::evRLSD, 0x020},
        {ComEvent::evRx80Full, 0x400}};
    for (const auto& [event, bit] : table) {
        EXPECT_EQ(EventsToMask({event}), bit) << static_cast<int>(event);
        EXPECT_EQ(MaskToEvents(bit), ComEvents{event}) << static_cast<int>(event);
    }
    EXPECT_EQ(EventsToMask(ComEvents::all()), 0x5FFu);
    EXPECT_EQ(MaskToEvents(0xFFFFFFFF), ComEvents::all()); // unknown bits ignored
    EXPECT_EQ(EventsToMask({}), 0u);
}

TEST(ComPortErrorText, AddsTheOsErrorNumberOnlyWhenThereIsOne) {
    struct Case {
        ComErrorCode code;
        std::int64_t os;
        std::u16string message;
        std::int64_t winCode;
    };
    const std::vector<Case> cases = {
        {ComErrorCode::OpenFailed, 2, u"Unable to open com port (Error: 2)", 2},
        {ComErrorCode::OpenFailed, 0, u"Unable to open com port", -1},
        {ComErrorCode::PurgeFailed, 5, u"PurgeComm function failed (Error: 5)", 5},
        {ComErrorCode::SetStateFailed, 22, u"SetCommState function failed (Error: 22)", 22},
        {ComErrorCode::TimeoutsFailed, 22, u"SetCommTimeouts failed (Error: 22)", 22},
        {ComErrorCode::SetupComFailed, 1, u"SetupComm function failed (Error: 1)", 1},
        {ComErrorCode::ClearComFailed, 9, u"ClearCommError function failed (Error: 9)", 9},
        {ComErrorCode::ModemStatFailed, 5, u"GetCommModemStatus function failed (Error: 5)", 5},
        {ComErrorCode::ReadFailed, 5000000000LL, u"ReadFile function failed (Error: 5000000000)",
         5000000000LL},
        {ComErrorCode::PortNotOpen, -7, u"Port Not Open", -1},
    };
    for (const Case& c : cases) {
        const ComPortError e(c.code, c.os);
        EXPECT_EQ(e.message(), c.message);
        EXPECT_EQ(e.Code(), static_cast<int>(c.code));
        EXPECT_EQ(e.WinCode(), c.winCode);
    }
}

class ComPortWithFake : public ::testing::Test {
protected:
    ComPortWithFake() {
        ConfigureForMrzReader(port_);
        port_.SetPort(u"COM2");
    }
    ~ComPortWithFake() override { port_.Close(); }

    testing::FakeLine& line() { return devices_.line; }

    // Hands one batch over and waits until the main thread handled it.
    void deliver(std::uint32_t mask) {
        const std::size_t before = loop_.postedTotal();
        line().queueEvents(mask);
        ASSERT_TRUE(loop_.runUntil([&] { return loop_.postedTotal() > before && loop_.pending() == 0; }));
    }

    TestLoop loop_;
    FakeSerialDevices devices_;
    ComPort port_{devices_, loop_};
    std::vector<std::string> calls_;
};

TEST_F(ComPortWithFake, OpensTheDeviceWithTheReaderSettings) {
    port_.Open();
    ASSERT_EQ(line().opened, std::vector<std::u16string>{u"COM2"});
    ASSERT_EQ(line().lineSettings.size(), 1u);
    const DeviceControlBlock& dcb = line().lineSettings[0];
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.flags, 0x2005u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonLim, 16384);
    EXPECT_EQ(dcb.XoffLim, 16384);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(line().queueSizes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{65536, 4096}}));
    const DeviceTimeouts expected{MAXDWORD, 0, 0, 100, 1000};
    EXPECT_EQ(line().timeouts, std::vector<DeviceTimeouts>{expected});
    EXPECT_EQ(line().masks, std::vector<std::uint32_t>{0x5FF});

    port_.Close();
    EXPECT_EQ(line().liveDevices, 0);
    // Close aborts first; the ending thread clears the mask and both queues.
    EXPECT_EQ(line().purges, (std::vector<std::uint32_t>{PURGE_TXABORT | PURGE_RXABORT,
                                                         PURGE_TXCLEAR | PURGE_RXCLEAR}));
    EXPECT_EQ(line().masks.back(), 0u);
}

TEST_F(ComPortWithFake, LineSettingsRecordFollowsEverySetting) {
    port_.Parity().SetBits(TParityBits::prEven);
    port_.Parity().SetCheck(true);
    port_.Parity().SetReplace(true);
    port_.Parity().SetReplaceChar(u'\u013F'); // low byte only
    port_.FlowControl().SetControlDTR(TDTRFlowControl::dtrEnable);
    port_.FlowControl().SetControlRTS(TRTSFlowControl::rtsToggle);
    port_.FlowControl().SetXonXoffIn(true);
    port_.SetDiscardNull(true);
    port_.SetStopBits(TStopBits::sbTwoStopBits);
    port_.SetDataBits(TDataBits::dbSeven);
    port_.SetBaudRate(TBaudRate::brCustom);
    port_.SetCustomBaudRate(31250);
    port_.SetEventChar(u'\n');
    const DeviceControlBlock dcb = port_.LineSettingsRecord();
    EXPECT_EQ(dcb.flags, 0x1u | 0x2 | 0x400 | 0x4 | 0x10 | 0x3000 | 0x200 | 0x800);
    EXPECT_EQ(dcb.ErrorChar, 0x3F);
    EXPECT_EQ(dcb.Parity, 2);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.BaudRate, 31250u);
    EXPECT_EQ(dcb.EvtChar, '\n');
    EXPECT_TRUE(line().lineSettings.empty()); // closed: nothing reached a device
}

TEST_F(ComPortWithFake, ChangesReachAnOpenDeviceAtOnceUnlessUpdating) {
    port_.Open();
    port_.Parity().SetBits(TParityBits::prOdd);
    port_.Parity().SetBits(TParityBits::prOdd); // unchanged: not applied again
    port_.Timeouts().SetWriteTotalConstant(500);
    port_.Buffer().SetInputSize(4097);
    EXPECT_EQ(port_.Buffer().InputSize(), 4096);
    EXPECT_EQ(line().lineSettings.size(), 2u);
    EXPECT_EQ(line().timeouts.size(), 2u);
    EXPECT_EQ(line().queueSizes.back().first, 4096u);

    port_.BeginUpdate();
    port_.BeginUpdate();
    port_.SetBaudRate(TBaudRate::br19200);
    port_.EndUpdate();
    EXPECT_EQ(line().lineSettings.size(), 2u);
    port_.EndUpdate(); // the whole configuration, once
    EXPECT_EQ(line().lineSettings.size(), 3u);
    EXPECT_EQ(line().lineSettings.back().BaudRate, 19200u);
    EXPECT_EQ(line().queueSizes.size(), 3u);
    EXPECT_EQ(line().timeouts.size(), 3u);
    port_.EndUpdate(); // not below zero
}

struct ConfigureFailure {
    const char* operation;
    std::u16string message;
};
void PrintTo(const ConfigureFailure& c, std::ostream* os) { *os << c.operation; }

class ConfigureFailures : public ComPortWithFake,
                          public ::testing::WithParamInterface<ConfigureFailure> {};

TEST_P(ConfigureFailures, LeaveThePortClosedAndTheDeviceReleased) {
    line().fail[GetParam().operation] = 5;
    try {
        port_.Open();
        FAIL() << "opened";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), GetParam().message);
    }
    EXPECT_FALSE(port_.Connected());
    EXPECT_EQ(line().liveDevices, 0);
    line().fail.clear();
    port_.Open();
    EXPECT_TRUE(port_.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ConfigureFailures,
    ::testing::Values(ConfigureFailure{"queues", u"SetupComm function failed (Error: 5)"},
                      ConfigureFailure{"line", u"SetCommState function failed (Error: 5)"},
                      ConfigureFailure{"timeouts", u"SetCommTimeouts failed (Error: 5)"}),
    [](const auto& info) { return std::string(info.param.operation); });

TEST_F(ComPortWithFake, AModemStatusFailureAfterOpeningLeavesThePortOpen) {
    line().fail["modem"] = 5;
    try {
        port_.Open();
        FAIL() << "no error";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.Code(), 11);
    }
    EXPECT_TRUE(port_.Connected());
    line().input = "ok";
    int announced = 0;
    port_.OnRxChar = [&](CustomComPort&, int count) { announced = count; };
    deliver(EV_RXCHAR);
    EXPECT_EQ(announced, 2); // its thread runs
}

TEST_F(ComPortWithFake, APurgeFailureKeepsThePortOpen) {
    port_.Open();
    line().fail["purge"] = 5;
    try {
        port_.Close();
        FAIL() << "closed";
    } catch (const ComPortError& e) {
        EXPECT_EQ(e.message(), u"PurgeComm function failed (Error: 5)");
    }
    EXPECT_TRUE(port_.Connected());
    line().fail.clear();
    port_.Close();
    EXPECT_FALSE(port_.Connected());
}

TEST_F(ComPortWithFake, OnExceptionTakesTheErrorInsteadOfTheCaller) {
    std::vector<int> codes;
    port_.OnException = [&](CustomComPort&, const ComPortError& e) { codes.push_back(e.Code()); };
    line().openError = 2;
    port_.Open();
    EXPECT_FALSE(port_.Connected());
    std::u16string text;
    EXPECT_EQ(port_.ReadStr(text, 4), 0);
    EXPECT_EQ(codes, (std::vector<int>{1, 24}));
}

TEST_F(ComPortWithFake, OpenAndCloseCallTheirHooksInOrder) {
    auto note = [this](std::string what) { return [this, what](CustomComPort&) { calls_.push_back(what); }; };
    auto onOff = [this](std::string what) {
        return [this, what](CustomComPort&, bool on) { calls_.push_back(what + (on ? "+" : "-")); };
    };
    port_.OnBeforeOpen = note("BeforeOpen");
    port_.OnAfterOpen = note("AfterOpen");
    port_.OnBeforeClose = note("BeforeClose");
    port_.OnAfterClose = note("AfterClose");
    port_.OnCTSChange = onOff("CTS");
    port_.OnDSRChange = onOff("DSR");
    port_.OnRLSDChange = onOff("RLSD");
    port_.Open();
    port_.Close();
    const std::vector<std::string> expected = {"BeforeOpen", "AfterOpen", "CTS+", "DSR+", "RLSD-",
                                               "CTS-",       "DSR-",      "RLSD-", "BeforeClose",
                                               "AfterClose"};
    EXPECT_EQ(calls_, expected);
}

TEST_F(ComPortWithFake, ABatchIsHandledInTheFixedOrder) {
    auto note = [this](std::string what) { return [this, what](CustomComPort&) { calls_.push_back(what); }; };
    port_.OnTxEmpty = note("TxEmpty");
    port_.OnBreak = note("Break");
    port_.OnRing = note("Ring");
    port_.OnRxFlag = note("RxFlag");
    port_.OnRx80Full = note("Rx80Full");
    ComErrors errors;
    port_.OnError = [&](CustomComPort&, ComErrors e) {
        errors = e;
        calls_.push_back("Error");
    };
    port_.OnRxChar = [&](CustomComPort& port, int count) {
        calls_.push_back("RxChar " + std::to_string(count));
        EXPECT_EQ(port.InputCount(), count);
    };
    port_.Open();
    port_.OnCTSChange = [&](CustomComPort&, bool on) { calls_.push_back(on ? "CTS+" : "CTS-"); };
    port_.OnDSRChange = [&](CustomComPort&, bool on) { calls_.push_back(on ? "DSR+" : "DSR-"); };
    port_.OnRLSDChange = [&](CustomComPort&, bool on) { calls_.push_back(on ? "RLSD+" : "RLSD-"); };
    line().input = "abc";
    line().errorFlags = CE_FRAME | CE_OVERRUN;
    line().modem = MS_RLSD_ON;
    deliver(0x5FF);
    const std::vector<std::string> expected = {"Error", "RxChar 3", "TxEmpty", "Break", "Ring",
                                               "CTS-",  "DSR-",     "RxFlag",  "RLSD+", "Rx80Full"};
    EXPECT_EQ(calls_, expected);
    EXPECT_EQ(errors, (ComErrors{ComError::ceFrame, ComError::ceOverrun}));
}

TEST_F(ComPortWithFake, ErrorsAreOnlyReportedWhenThereAreAny) {
    bool reported = false;
    port_.OnError = [&](CustomComPort&, ComErrors) { reported = true; };
    port_.Open();
    deliver(EV_ERR);
    EXPECT_FALSE(reported);
}

TEST_F(ComPortWithFake, WithoutTriggeringTheComponentReadsAndHandsOverTheBytes) {
    port_.SetTriggersOnRxChar(false);
    std::string got;
    bool announced = false;
    port_.OnRxChar = [&](CustomComPort&, int) { announced = true; };
    port_.OnRxBuf = [&](CustomComPort&, const std::uint8_t* bytes, int count) {
        got.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    };
    port_.Open();
    line().input = "buffered";
    deliver(EV_RXCHAR);
    EXPECT_EQ(got, "buffered");
    EXPECT_FALSE(announced);
}

TEST_F(ComPortWithFake, ACountQueryFailureInAHandOverEndsTheEventsWithOneReport) {
    std::vector<std::u16string> ends;
    port_.OnEventThreadEnd = [&](CustomComPort&, const std::u16string& r) { ends.push_back(r); };
    port_.Open();
    line().input = "x";
    line().fail["errors"] = 5;
    deliver(EV_RXCHAR);
    EXPECT_EQ(ends, std::vector<std::u16string>{u"ClearCommError function failed (Error: 5)"});
    EXPECT_TRUE(port_.Connected());
    port_.Close();
    line().fail.clear();
    port_.Open();
    int announced = 0;
    port_.OnRxChar = [&](CustomComPort&, int count) { announced = count; };
    deliver(EV_RXCHAR);
    EXPECT_EQ(announced, 1);
}

TEST_F(ComPortWithFake, NoEventsMeansNoThread) {
    port_.SetEvents({});
    port_.Open();
    EXPECT_TRUE(line().masks.empty());
    port_.Close();
    EXPECT_EQ(line().purges.size(), 1u);
}

TEST_F(ComPortWithFake, ConnectedOpensAndCloses) {
    port_.SetConnected(true);
    EXPECT_TRUE(port_.Connected());
    port_.SetConnected(true);
    EXPECT_EQ(line().opened.size(), 1u);
    port_.SetConnected(false);
    EXPECT_FALSE(port_.Connected());
}

} // namespace
} // namespace readerlink::serial
