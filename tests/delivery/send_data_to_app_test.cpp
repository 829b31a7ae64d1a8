#include "common/error.h"
#include "common/text.h"
#include "delivery/host_data_record.h"
#include "delivery/send_data_to_app.h"
#include "support/delivery_fakes.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace readerlink {
namespace {

using testing::FakeTarget;
using testing::KeystrokeCall;
using testing::LogLine;
using testing::RecordingHostLink;
using testing::RecordingKeystrokes;
using testing::RecordingLog;

const std::u16string kLine1 = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::u16string kLine2 = u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";

constexpr int kOrlam = 0;
constexpr int kDirect = 1;

struct DispatchCase {
    std::string name{};

    void PrintTo(const DispatchCase& c, std::ostream* os) { *os << c.name; }
    int application = kOrlam;
    bool twoLines = false;
    std::u16string scanData{};
    HostDelivery hostOutcome = HostDelivery::Answered;
    bool keysResult = true;

    std::vector<std::u16string> typed{};   // key strings handed to the engine
    std::u16string scanAfter{};            // ScanData after the call
    std::optional<std::string> hostText{}; // the record's text bytes; nullopt: nothing sent
    std::vector<std::u16string> log{};
};

std::string letters(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s.push_back(static_cast<char>('A' + i % 26));
    return s;
}

std::u16string wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::vector<DispatchCase> cases() {
    const std::u16string mrz = kLine1 + kLine2;
    const std::u16string l1 = kLine1;
    std::vector<DispatchCase> c;

    // Keystrokes, one line.
    c.push_back({.name = "DirectMrzWithBlankAndLineEnds",
                 .application = kDirect,
                 .scanData = u" " + kLine1 + u"\r\n" + kLine2 + u"\r\n",
                 .typed = {mrz + u"{ENTER}"},
                 .scanAfter = mrz});
    c.push_back({.name = "DirectInnerLineEndsRemovedInnerBlanksKept",
                 .application = kDirect,
                 .scanData = u"\r\n AB\r\nC D \n",
                 .typed = {u"ABC D{ENTER}"},
                 .scanAfter = u"ABC D"});
    c.push_back({.name = "DirectEmptyPressesOnlyEnter",
                 .application = kDirect,
                 .scanData = u"",
                 .typed = {u"{ENTER}"},
                 .scanAfter = u""});
    c.push_back({.name = "DirectOnlyBlanksPressesOnlyEnter",
                 .application = kDirect,
                 .scanData = u"\r\n \t\n",
                 .typed = {u"{ENTER}"},
                 .scanAfter = u""});
    c.push_back({.name = "DirectKeyStringCharactersPassAsTheyStand",
                 .application = kDirect,
                 .scanData = u"+a{TAB}",
                 .typed = {u"+a{TAB}{ENTER}"},
                 .scanAfter = u"+a{TAB}"});
    c.push_back({.name = "DirectEngineResultIsIgnored",
                 .application = kDirect,
                 .scanData = u"ABC",
                 .keysResult = false,
                 .typed = {u"ABC{ENTER}"},
                 .scanAfter = u"ABC"});

    // Keystrokes, two lines at fixed positions.
    c.push_back({.name = "TwoLines88",
                 .application = kDirect,
                 .twoLines = true,
                 .scanData = mrz,
                 .typed = {kLine1 + u"\r" + kLine2 + u"{ENTER}"},
                 .scanAfter = kLine1 + u"\r" + kLine2});
    c.push_back({.name = "TwoLines90DropsTheRest",
                 .application = kDirect,
                 .twoLines = true,
                 .scanData = mrz + u"XY",
                 .typed = {kLine1 + u"\r" + kLine2 + u"{ENTER}"},
                 .scanAfter = kLine1 + u"\r" + kLine2});
    c.push_back({.name = "TwoLines10",
                 .application = kDirect,
                 .twoLines = true,
                 .scanData = u"ABCDEFGHIJ",
                 .typed = {u"ABCDEFGHIJ\r{ENTER}"},
                 .scanAfter = u"ABCDEFGHIJ\r"});
    c.push_back({.name = "TwoLinesTrimsNothing",
                 .application = kDirect,
                 .twoLines = true,
                 .scanData = u" AB\r\n",
                 .typed = {u" AB\r\n\r{ENTER}"},
                 .scanAfter = u" AB\r\n\r"});

    // "@" is never typed and never logged, also when it is found only after clean-up.
    c.push_back({.name = "DirectImageReadyNeverTyped",
                 .application = kDirect,
                 .scanData = u"@ImageReady",
                 .scanAfter = u"@ImageReady"});
    c.push_back({.name = "DirectImageCapturedNeverTyped",
                 .application = kDirect,
                 .scanData = u"@ImageCaptured|/p",
                 .scanAfter = u"@ImageCaptured|/p"});
    c.push_back({.name = "DirectFieldRecordCleanedButNotTyped",
                 .application = kDirect,
                 .scanData = u" @#P#UTO\r\n",
                 .scanAfter = u"@#P#UTO"});
    c.push_back({.name = "TwoLinesWithAtNotTyped",
                 .application = kDirect,
                 .twoLines = true,
                 .scanData = u"AB@C",
                 .scanAfter = u"AB@C\r"});

    // Host application: ScanData unchanged, whole text in the log.
    const std::u16string framed = u" " + kLine1 + u"\r\n" + kLine2 + u"\r\n";
    c.push_back({.name = "HostMrzSentAsItStands",
                 .scanData = framed,
                 .scanAfter = framed,
                 .hostText = toUtf8(framed),
                 .log = {u"Data sent " + framed}});
    c.push_back({.name = "HostImageReady",
                 .scanData = u"@ImageReady",
                 .scanAfter = u"@ImageReady",
                 .hostText = "@ImageReady",
                 .log = {u"Data sent @ImageReady"}});
    c.push_back({.name = "HostWhenNothingSelected",
                 .application = -1,
                 .scanData = u"ABC",
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"Data sent ABC"}});
    c.push_back({.name = "HostForAnyOtherItem",
                 .application = 2,
                 .scanData = u"ABC",
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"Data sent ABC"}});
    c.push_back({.name = "HostIgnoresTwoLines",
                 .twoLines = true,
                 .scanData = l1,
                 .scanAfter = l1,
                 .hostText = toUtf8(l1),
                 .log = {u"Data sent " + l1}});
    c.push_back({.name = "Host300LettersCutTo255LoggedWhole",
                 .scanData = wide(letters(300)),
                 .scanAfter = wide(letters(300)),
                 .hostText = letters(255),
                 .log = {u"Data sent " + wide(letters(300))}});
    c.push_back({.name = "HostEmptyText",
                 .scanData = u"",
                 .scanAfter = u"",
                 .hostText = "",
                 .log = {u"Data sent "}});
    c.push_back({.name = "HostCodePage",
                 .scanData = u"\u00C4\u00D6\u00DC\u0141",
                 .scanAfter = u"\u00C4\u00D6\u00DC\u0141",
                 .hostText = "\xC4\xD6\xDC?",
                 .log = {u"Data sent \u00C4\u00D6\u00DC\u0141"}});

    // Host faults: the text stays on record.
    c.push_back({.name = "NoHostLogsTheLostText",
                 .scanData = u"ABC",
                 .hostOutcome = HostDelivery::NoHost,
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"No host application found, data not sent: ABC"}});
    c.push_back({.name = "HostDidNotAnswer",
                 .scanData = u"ABC",
                 .hostOutcome = HostDelivery::NoAnswer,
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"Host application did not answer in time, data not confirmed: ABC"}});
    c.push_back({.name = "HostClosedBeforeAnswering",
                 .scanData = u"ABC",
                 .hostOutcome = HostDelivery::Closed,
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"Host application closed the connection without answering, data not "
                         u"confirmed: ABC"}});
    c.push_back({.name = "HostDidNotTakeIt",
                 .scanData = u"ABC",
                 .hostOutcome = HostDelivery::NotSent,
                 .scanAfter = u"ABC",
                 .hostText = "ABC",
                 .log = {u"Host application did not take the data, data not sent: ABC"}});
    return c;
}

class SendDataToApp : public ::testing::Test {
protected:
    std::u16string scanData;
    FakeTarget target;
    RecordingKeystrokes keys;
    RecordingHostLink host;
    RecordingLog log;
    DeliveryDispatcher dispatcher{scanData, target, std::ref(keys), host, log};
};

class Dispatcher : public SendDataToApp, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(Dispatcher, DeliversTheText) {
    const DispatchCase& c = GetParam();
    scanData = c.scanData;
    target.application = c.application;
    target.twoLines = c.twoLines;
    keys.result = c.keysResult;
    host.result = {c.hostOutcome, 1};

    dispatcher.SendDataToApp();

    std::vector<KeystrokeCall> expectedKeys;
    for (const auto& k : c.typed)
        expectedKeys.push_back({k, true});
    EXPECT_EQ(keys.calls, expectedKeys);
    EXPECT_EQ(scanData, c.scanAfter);

    if (c.hostText) {
        ASSERT_EQ(host.sends.size(), 1u);
        EXPECT_EQ(host.sends[0].sender, target.windowId);
        const auto record = decodeHostDataRecord(host.sends[0].record);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->kind, 1);
        const auto text = record->textBytes();
        EXPECT_EQ(std::string(text.begin(), text.end()), *c.hostText);
    } else {
        EXPECT_TRUE(host.sends.empty());
    }

    std::vector<LogLine> expectedLog;
    for (const auto& line : c.log)
        expectedLog.push_back({line, false});
    EXPECT_EQ(log.lines, expectedLog);
}

INSTANTIATE_TEST_SUITE_P(Cases, Dispatcher, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// The window's choices can change between two texts.
TEST_F(SendDataToApp, ReadsTheTargetAtEveryCall) {
    scanData = u"ABC";
    target.application = kDirect;
    dispatcher.SendDataToApp();
    target.application = kOrlam;
    dispatcher.SendDataToApp();
    target.application = kDirect;
    target.twoLines = true;
    dispatcher.SendDataToApp();

    EXPECT_EQ(keys.calls,
              (std::vector<KeystrokeCall>{{u"ABC{ENTER}", true}, {u"ABC\r{ENTER}", true}}));
    EXPECT_EQ(host.sends.size(), 1u);
}

class BadRepeatCount : public Error {
public:
    BadRepeatCount() : Error(u"'X' is not a valid integer value") {}
};

// The engine's conversion error reaches whoever called SendDataToApp; the
// cleaned text is already in ScanData by then.
TEST_F(SendDataToApp, EngineErrorPassesToTheCaller) {
    scanData = u" {ENTER X}\r\n";
    target.application = kDirect;
    DeliveryDispatcher throwing(
        scanData, target, [](std::u16string_view, bool) -> bool { throw BadRepeatCount(); }, host,
        log);
    EXPECT_THROW(throwing.SendDataToApp(), BadRepeatCount);
    EXPECT_EQ(scanData, u"{ENTER X}");
    EXPECT_TRUE(log.lines.empty());
}

} // namespace
} // namespace readerlink
