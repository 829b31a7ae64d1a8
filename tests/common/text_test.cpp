#include "common/error.h"
#include "common/text.h"

#include <gtest/gtest.h>

namespace readerlink {
namespace {

TEST(Utf, RoundTripsBmpAndAstralCharacters) {
    const std::u16string text = u"MRZ \u00C4\u0627 \U0001F600";
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(u"\u00C4"), "\xC3\x84");
}

TEST(Utf, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(fromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), u"\uFFFD"); // encoded surrogate
}

TEST(TrimControls, RemovesBlanksAndControlsAtBothEndsOnly) {
    EXPECT_EQ(trimControls(u"\r\n  AB C\t\x01"), u"AB C");
    EXPECT_EQ(trimControls(u"\r\n"), u"");
}

TEST(SplitLines, BreakLikeTheLogShowsThem) {
    const std::vector<std::pair<std::u16string, std::vector<std::u16string>>> cases = {
        {u"", {}},
        {u"A", {u"A"}},
        {u"A\r\n", {u"A"}},
        {u"A\r\nB\r\n", {u"A", u"B"}},
        {u"A\r\nB\r\n\r\n", {u"A", u"B", u""}},
        {u"A\rB\nC", {u"A", u"B", u"C"}},
        {u"\r\n", {u""}},
        {u"\r\n\r\n", {u"", u""}},
        {u"\n\r", {u"", u""}},
        {u"A\n\rB", {u"A", u"", u"B"}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(splitLines(text), lines) << toUtf8(text);
}

TEST(ErrorDisplayText, AppendsFullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(errorDisplayText(u"Port Not Open"), u"Port Not Open.");
    EXPECT_EQ(errorDisplayText(u"(Error: 2)"), u"(Error: 2)"); // ')' is below '.'
    EXPECT_EQ(errorDisplayText(u"done."), u"done.");
    EXPECT_EQ(errorDisplayText(u""), u"");
}

} // namespace
} // namespace readerlink
