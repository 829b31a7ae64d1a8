#include "reader/field_status.h"
#include "common/text.h"
#include "reader/mrz_text.h"

#include <gtest/gtest.h>

namespace readerlink::reader {
namespace {

struct ChipSplit {
    std::size_t length;
    std::vector<std::size_t> lineLengths;
    friend void PrintTo(const ChipSplit& c, std::ostream* os) { *os << c.length; }
};

class ChipMrzSplitTest : public ::testing::TestWithParam<ChipSplit> {};

TEST_P(ChipMrzSplitTest, ThreeLinesWhenTheLengthDividesByThree) {
    std::u16string chip;
    for (std::size_t i = 0; i < GetParam().length; ++i)
        chip.push_back(static_cast<char16_t>(u'A' + i % 26));
    const std::u16string text = chipMrzText(chip);
    const auto lines = splitLines(text);
    std::vector<std::size_t> lengths;
    std::u16string joined;
    for (const auto& line : lines) {
        lengths.push_back(line.size());
        joined += line;
    }
    EXPECT_EQ(lengths, GetParam().lineLengths);
    // Nothing but the odd last character is lost, and the order is kept.
    EXPECT_EQ(joined, chip.substr(0, joined.size()));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ChipMrzSplitTest,
                         ::testing::Values(ChipSplit{88, {44, 44}}, ChipSplit{90, {30, 30, 30}},
                                           ChipSplit{72, {24, 24, 24}}, ChipSplit{89, {44, 44}},
                                           ChipSplit{1, {0}}, ChipSplit{2, {1, 1}}),
                         [](const auto& info) { return std::to_string(info.param.length); });

TEST(ChipMrzText, EmptyChipMrzGivesThreeEmptyLines) {
    EXPECT_EQ(chipMrzText(u""), u"\r\n\r\n");
    EXPECT_EQ(splitLines(chipMrzText(u"")).size(), 2u);
}

TEST(MrzForDelivery, RemovesBlanksAndLineBreaksOnly) {
    EXPECT_EQ(mrzForDelivery(u" P<UTO \r\nL898\r\n\r\n"), u"P<UTOL898");
    EXPECT_EQ(mrzForDelivery(u"A\tB"), u"A\tB");
}

TEST(StatusWord, ByHundredsWithUnknownOutsideTheTable) {
    const std::pair<int, const char16_t*> cases[] = {
        {0, u"Ok"},        {99, u"Ok"},         {100, u"Warning"}, {199, u"Warning"},
        {250, u"Error"},   {299, u"Error"},     {300, u"Unknown"}, {-1, u"Unknown"},
        {-99, u"Unknown"}, {100000, u"Unknown"}};
    for (const auto& [status, word] : cases)
        EXPECT_EQ(statusWord(status), word) << status;
}

} // namespace
} // namespace readerlink::reader
