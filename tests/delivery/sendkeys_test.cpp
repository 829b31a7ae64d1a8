#include "delivery/sendkeys.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/text.h"
#include "delivery/recording_keyboard.h"

namespace readerlink {
namespace {

// Scan codes MapVirtualKeyW gives on the US layout.
constexpr std::uint8_t ScShift = 0x2A, ScCtrl = 0x1D, ScAlt = 0x38, ScEnter = 0x1C;

Recorded down(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags = 0) {
    return KeyEvent{vk, scan, flags};
}
Recorded up(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags = KeyEventKeyUp) {
    return KeyEvent{vk, scan, flags};
}
std::vector<Recorded> tap(std::uint8_t vk, std::uint8_t scan) {
    return {down(vk, scan), up(vk, scan)};
}
std::vector<Recorded> shifted(std::uint8_t vk, std::uint8_t scan) {
    return {down(vk::Shift, ScShift), down(vk, scan), up(vk, scan), up(vk::Shift, ScShift)};
}
std::vector<Recorded> cat(std::initializer_list<std::vector<Recorded>> parts) {
    std::vector<Recorded> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
Recorded box(std::u16string text) {
    return MessageBoxShown{std::move(text), u"SendKeys"};
}

std::string describeAll(const std::vector<Recorded>& entries) {
    std::string text;
    for (const Recorded& entry : entries)
        text += "  " + describe(entry) + "\n";
    return text;
}

struct Case {
    const char* name;
    std::u16string keys;
    std::vector<Recorded> expected;
    bool result = true;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

class SendKeysTable : public ::testing::TestWithParam<Case> {};

TEST_P(SendKeysTable, TypesTheExpectedEvents) {
    const Case& c = GetParam();
    RecordingKeyboard keyboard;
    const bool result = SendKeys(keyboard, c.keys, true);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(keyboard.recorded(), c.expected)
        << "got:\n" << describeAll(keyboard.recorded()) << "want:\n" << describeAll(c.expected);
    for (std::uint8_t modifier : {vk::Shift, vk::Control, vk::Menu})
        EXPECT_FALSE(keyboard.isDown(modifier)) << "modifier left down: " << int(modifier);
}

const std::vector<Recorded> EnterTap = tap(vk::Return, ScEnter);
const std::vector<Recorded> LeftTwice = {down(vk::Left, 0x4B, 1), up(vk::Left, 0x4B, 3),
                                         down(vk::Left, 0x4B, 1), up(vk::Left, 0x4B, 3)};

INSTANTIATE_TEST_SUITE_P(
    KeyStrings, SendKeysTable,
    ::testing::Values(
        Case{"Empty", u"", {}, false},
        Case{"NulEndsTheString", std::u16string(u"a\0b", 3), tap('A', 0x1E)},
        Case{"NulFirstIsEmpty", std::u16string(u"\0a", 2), {}, false},
        Case{"PlainTextAndEnter", u"Ab{ENTER}",
             cat({shifted('A', 0x1E), tap('B', 0x30), EnterTap})},
        Case{"ShiftOverGroup", u"+(ab)c",
             cat({{down(vk::Shift, ScShift)}, tap('A', 0x1E), tap('B', 0x30),
                  {up(vk::Shift, ScShift)}, tap('C', 0x2E)})},
        Case{"ControlPrefix", u"^c",
             cat({{down(vk::Control, ScCtrl)}, tap('C', 0x2E), {up(vk::Control, ScCtrl)}})},
        Case{"AltF4", u"%{F4}",
             cat({{down(vk::Menu, ScAlt)}, tap(0x73, 0x3E), {up(vk::Menu, ScAlt)}})},
        Case{"ControlAltDeleteExtended", u"^%{DEL}",
             {down(vk::Control, ScCtrl), down(vk::Menu, ScAlt), down(0x2E, 0x53, 1),
              up(0x2E, 0x53, 3), up(vk::Control, ScCtrl), up(vk::Menu, ScAlt)}},
        Case{"RepeatedExtendedKey", u"{LEFT 2}", LeftTwice},
        Case{"RepeatCountKeepsModifiersDownOnce", u"{a 3}",
             cat({{down(vk::Shift, ScShift)}, tap('A', 0x1E), tap('A', 0x1E), tap('A', 0x1E),
                  {up(vk::Shift, ScShift)}})},
        Case{"HexRepeatCount", u"{1 $2}", cat({tap('1', 0x02), tap('1', 0x02)})},
        Case{"NegativeCountTypesNothing", u"{1 -1}x", tap('X', 0x2D)},
        Case{"LowerCaseNameAndCount", u"{Enter 3}", cat({EnterTap, EnterTap, EnterTap})},
        Case{"CountZero", u"{ENTER 0}", {}},
        Case{"OpenBraceLiteral", u"{{}", shifted(0xDB, 0x1A)},
        Case{"OpenBraceEatsThreeUnits", u"{{xa", cat({shifted(0xDB, 0x1A), tap('A', 0x1E)})},
        Case{"OpenBraceAtEnd", u"{{", shifted(0xDB, 0x1A)},
        Case{"CloseBraceLiteral", u"{}}", shifted(0xDD, 0x1B)},
        Case{"NameThenCloseBraceIsOnlyTheBrace", u"{ENTER}}", shifted(0xDD, 0x1B)},
        Case{"SingleLetterFoldedToUpperCase", u"{a}", shifted('A', 0x1E)},
        Case{"SingleDigit", u"{1}", tap('1', 0x02)},
        Case{"LiteralPlusInBraces", u"{+}", shifted(0xBB, 0x0D)},
        Case{"Tilde", u"~", EnterTap},
        Case{"TildeReleasesHeldShift", u"+~",
             cat({{down(vk::Shift, ScShift)}, EnterTap, {up(vk::Shift, ScShift)}})},
        Case{"UnknownNameGoesOn", u"{XYZ}a", cat({{box(u"Invalid Key Name")}, tap('A', 0x1E)})},
        Case{"EmptyName", u"{}", {box(u"Invalid Key Name")}},
        Case{"CountWithoutName", u"{ 3}", {box(u"Invalid Key Name")}},
        Case{"CharacterNotOnLayout", u"\u00E9a", cat({{box(u"Invalid KeyName")}, tap('A', 0x1E)})},
        Case{"CharacterNotOnLayoutInBraces", u"{\u00E9}a", tap('A', 0x1E)},
        Case{"NoClose", u"{ENTER", {box(u"No Close")}, false},
        Case{"NoCloseStopsTheRest", u"a{b", cat({tap('A', 0x1E), {box(u"No Close")}}), false},
        // A stuck Shift would corrupt everything the operator types next.
        Case{"NoCloseReleasesHeldShift", u"+{ENTER",
             {down(vk::Shift, ScShift), box(u"No Close"), up(vk::Shift, ScShift)}, false},
        Case{"OpenGroupAtEndReleasesShift", u"+(abc",
             cat({{down(vk::Shift, ScShift)}, tap('A', 0x1E), tap('B', 0x30), tap('C', 0x2E),
                  {up(vk::Shift, ScShift)}})},
        Case{"CloseWithoutOpen", u")", {}},
        Case{"CloseReleasesHeldModifier", u"^)a",
             cat({{down(vk::Control, ScCtrl), up(vk::Control, ScCtrl)}, tap('A', 0x1E)})},
        Case{"AtTogglesNumLockAndReleasesControl", u"@a",
             cat({{NumLockSet{true}}, tap('A', 0x1E), {up(vk::Control, ScCtrl)}})},
        Case{"NumLockTogglesOnceWithoutKeyEvent", u"{NUMLOCK 3}", {NumLockSet{true}}},
        Case{"NumLockTogglesBack", u"{NUMLOCK}{NUMLOCK}", {NumLockSet{true}, NumLockSet{false}}},
        Case{"Arabic", u"{ARA}",
             {LanguageChangeRequested{RecordingKeyboard::ForegroundWindow, 5, 0x04010401},
              LayoutLoaded{u"00000401", 1}}},
        Case{"EnglishLowerCase", u"{eng}",
             {LanguageChangeRequested{RecordingKeyboard::ForegroundWindow, 5, 0x04090409},
              LayoutLoaded{u"00000409", 1}}},
        Case{"ArabicLettersThenBack", u"{ARA}\u0628\u0644{ENG}b",
             cat({{LanguageChangeRequested{RecordingKeyboard::ForegroundWindow, 5, 0x04010401},
                   LayoutLoaded{u"00000401", 1}},
                  tap('F', 0x21), tap('G', 0x22),
                  {LanguageChangeRequested{RecordingKeyboard::ForegroundWindow, 5, 0x04090409},
                   LayoutLoaded{u"00000409", 1}},
                  tap('B', 0x30)})},
        Case{"MrzFiller", u"P<", cat({shifted('P', 0x19), shifted(0xBC, 0x33)})}),
    [](const auto& info) { return std::string(info.param.name); });

// Every row of the name table is found by bisection, whatever its place.
TEST(SendKeysNames, EveryKeyNameTypesItsKey) {
    const std::pair<const char*, std::uint8_t> names[] = {
        {"BACKSPACE", 8}, {"BKSP", 8},    {"BREAK", 3},   {"BS", 8},           {"CAPSLOCK", 20},
        {"CLEAR", 12},    {"DEL", 46},    {"DELETE", 46}, {"DOWN", 40},        {"END", 35},
        {"ENTER", 13},    {"ESC", 27},    {"ESCAPE", 27}, {"F1", 112},         {"F10", 121},
        {"F11", 122},     {"F12", 123},   {"F13", 124},   {"F14", 125},        {"F15", 126},
        {"F16", 127},     {"F2", 113},    {"F3", 114},    {"F4", 115},         {"F5", 116},
        {"F6", 117},      {"F7", 118},    {"F8", 119},    {"F9", 120},         {"HELP", 47},
        {"HOME", 36},     {"INS", 45},    {"LEFT", 37},   {"PGDN", 34},        {"PGUP", 33},
        {"PRTSC", 42},    {"RIGHT", 39},  {"SCROLLLOCK", 145}, {"TAB", 9},     {"UP", 38},
    };
    const std::set<int> extended = {33, 34, 35, 36, 37, 38, 39, 40, 45, 46};
    for (const auto& [name, code] : names) {
        for (std::string spelling : {std::string(name), std::string(name) + " 1"}) {
            RecordingKeyboard keyboard;
            SendKeys(keyboard, u"{" + fromUtf8(spelling) + u"}", false);
            const std::vector<KeyEvent> events = keyboard.keyEvents();
            ASSERT_EQ(events.size(), 2u) << spelling << "\n" << describeAll(keyboard.recorded());
            const std::uint32_t flags = extended.count(code) ? 1 : 0;
            EXPECT_EQ(events[0].vk, code) << spelling;
            EXPECT_EQ(events[0].flags, flags) << spelling;
            EXPECT_EQ(events[1].vk, code) << spelling;
            EXPECT_EQ(events[1].flags, flags | 2) << spelling;
        }
    }
}

TEST(SendKeysNames, NamesAreCaseFoldedButOtherwiseExact) {
    for (const char16_t* keys : {u"{tab}", u"{Tab}"}) {
        RecordingKeyboard keyboard;
        SendKeys(keyboard, keys, false);
        EXPECT_EQ(keyboard.keyEvents(), (std::vector<KeyEvent>{{9, 0x0F, 0}, {9, 0x0F, 2}}));
    }
    for (const char16_t* keys : {u"{TA}", u"{TABS}", u"{\tTAB}", u"{\uFF34AB}"}) {
        RecordingKeyboard keyboard;
        SendKeys(keyboard, keys, false);
        EXPECT_EQ(keyboard.recorded(), std::vector<Recorded>{box(u"Invalid Key Name")})
            << toUtf8(keys);
    }
}

struct ErrorCase {
    const char* name;
    std::u16string keys;
    std::u16string message;
    std::vector<Recorded> expected;
};

std::ostream& operator<<(std::ostream& out, const ErrorCase& c) {
    return out << c.name;
}

class SendKeysConversionError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SendKeysConversionError, ReachesTheCallerWithModifiersReleased) {
    const ErrorCase& c = GetParam();
    RecordingKeyboard keyboard;
    try {
        SendKeys(keyboard, c.keys, true);
        FAIL() << "no error";
    } catch (const ConversionError& error) {
        EXPECT_EQ(error.message(), c.message);
    }
    EXPECT_EQ(keyboard.recorded(), c.expected) << describeAll(keyboard.recorded());
    EXPECT_GE(keyboard.flushes(), 1u);
}

// Letters of a group are folded before the count is read, so the error
// names the upper-case text.
INSTANTIATE_TEST_SUITE_P(
    BadCounts, SendKeysConversionError,
    ::testing::Values(
        ErrorCase{"Letter", u"{ENTER X}a", u"'X' is not a valid integer value", {}},
        ErrorCase{"Empty", u"{ }", u"'' is not a valid integer value", {}},
        ErrorCase{"TrailingBlank", u"{a 2 }", u"'2 ' is not a valid integer value", {}},
        ErrorCase{"TooLarge", u"{a 2147483648}", u"'2147483648' is not a valid integer value", {}},
        ErrorCase{"HeldShiftReleased", u"+{a x}", u"'X' is not a valid integer value",
                  {down(vk::Shift, ScShift), up(vk::Shift, ScShift)}},
        ErrorCase{"GroupModifiersReleased", u"^%(a{b 1x}",
                  u"'1X' is not a valid integer value",
                  cat({{down(vk::Control, ScCtrl), down(vk::Menu, ScAlt)}, tap('A', 0x1E),
                       {up(vk::Control, ScCtrl), up(vk::Menu, ScAlt)}})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SendKeysFaults, BackendFailureStillReleasesModifiers) {
    RecordingKeyboard keyboard;
    keyboard.failKeyEvent(1); // the "a" after Shift went down
    EXPECT_THROW(SendKeys(keyboard, u"+a", true), std::runtime_error);
    EXPECT_FALSE(keyboard.isDown(vk::Shift));
    EXPECT_EQ(keyboard.recorded(), (std::vector<Recorded>{down(vk::Shift, ScShift),
                                                          up(vk::Shift, ScShift)}));
}

TEST(SendKeysPumping, PumpsAfterEveryEventOnlyWhenAsked) {
    RecordingKeyboard pumped;
    SendKeys(pumped, u"Ab", true);
    EXPECT_EQ(pumped.pumps(), pumped.keyEvents().size());
    EXPECT_EQ(pumped.flushes(), 1u);

    RecordingKeyboard quiet;
    SendKeys(quiet, u"Ab", false);
    EXPECT_EQ(quiet.pumps(), 0u);
    EXPECT_EQ(quiet.flushes(), 1u);
}

TEST(SendKeysLayout, ArabicLayoutMapsCharactersByItsOwnTable) {
    RecordingKeyboard keyboard(arabicLayout());
    // "<" sits on Shift + VK_OEM_4 in Arabic (101); Latin letters are missing.
    SendKeys(keyboard, u"<a", false);
    EXPECT_EQ(keyboard.recorded(),
              cat({shifted(0xDB, 0x1A), {box(u"Invalid KeyName")}}));
}

} // namespace
} // namespace readerlink
