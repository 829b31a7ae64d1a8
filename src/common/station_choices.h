#pragma once

// The operator's two choices in one vocabulary: which reader the station
// drives and where its texts go. Every part of the station decides by these.

#include <array>
#include <string_view>

namespace readerlink {

// The items of the reader list, in their order.
enum class ReaderKind : int {
    Zebex = 0,
    Handheld = 1,
    AccessIS = 2,
    ArhPrmc = 3, // the desk passport reader
    WintoneCR620 = 4,
    MetrologicFocusMS1890 = 5,
    ThreeMCR100 = 6,
};

inline constexpr std::array<std::u16string_view, 7> kReaderNames = {
    u"Zebex",    u"Handheld",      u"Access IS",
    u"ARH PRMC", u"Wintone-CR620", u"Metrologic Focus MS1890",
    u"3M CR100"};

// An item of the reader list; -1 when nothing is selected.
struct ReaderChoice {
    int item = -1;

    bool is(ReaderKind kind) const { return item == static_cast<int>(kind); }
    bool isPassportReader() const { return is(ReaderKind::ArhPrmc); }
    // Read over a COM port; the other kinds have no connection step.
    bool isSerial() const {
        return is(ReaderKind::Handheld) || is(ReaderKind::MetrologicFocusMS1890) ||
               is(ReaderKind::ThreeMCR100);
    }
};

inline constexpr std::array<std::u16string_view, 2> kTargetNames = {u"ORLAM", u"Direct"};

// An item of the target application list; -1 when nothing is selected.
struct TargetChoice {
    int item = 0;

    // "Direct": keystrokes into the focused window. Anything else means the
    // host application.
    bool isTyping() const { return item == 1; }
    // "ORLAM" itself selected; the image notifications go only then.
    bool isOrlam() const { return item == 0; }
};

} // namespace readerlink
