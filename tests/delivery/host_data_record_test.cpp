#include "delivery/host_data_record.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace readerlink {
namespace {

TEST(HostDataRecord, LayoutIsKindLengthTextThenZeros) {
    const HostRecordBytes record = encodeHostDataRecord(u"P<UTO");
    static_assert(sizeof(record) == 2308);
    const std::vector<std::uint8_t> head(record.begin(), record.begin() + 10);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{1, 0, 0, 0, 5, 'P', '<', 'U', 'T', 'O'}));
    for (std::size_t i = 10; i < record.size(); ++i)
        ASSERT_EQ(record[i], 0) << "at offset " << i;
}

struct TextCase {
    std::string name;
    std::u16string text;
    std::string bytes; // expected text bytes, textLength is their count
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class HostRecordText : public ::testing::TestWithParam<TextCase> {};

TEST_P(HostRecordText, CarriesTheCodePageBytes) {
    const auto record = decodeHostDataRecord(encodeHostDataRecord(GetParam().text));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, 1);
    const auto text = record->textBytes();
    EXPECT_EQ(std::string(text.begin(), text.end()), GetParam().bytes);
    // nothing written past the text
    for (std::size_t i = record->textLength; i < record->text.size(); ++i)
        ASSERT_EQ(record->text[i], 0) << "at text byte " << i;
}

std::u16string repeat(char16_t c, std::size_t n) {
    return std::u16string(n, c);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostRecordText,
    ::testing::Values(TextCase{"Empty", u"", ""},
                      TextCase{"Umlauts", u"\u00C4\u00D6\u00DC", "\xC4\xD6\xDC"},
                      TextCase{"EuroAndLigatureUseThe80To9FRange", u"\u20AC\u0152", "\x80\x8C"},
                      TextCase{"OutsideTheCodePageBecomesQuestionMark", u"\u0141\u0627x", "??x"},
                      TextCase{"LineEndsKept", u"A\r\nB", "A\r\nB"},
                      TextCase{"Exactly255", repeat(u'A', 255), std::string(255, 'A')},
                      TextCase{"LongerCutTo255", repeat(u'B', 300), std::string(255, 'B')},
                      TextCase{"CutCountsCodeUnitsNotUtf8Bytes", repeat(u'\u00E9', 256),
                               std::string(255, '\xE9')}),
    [](const auto& info) { return info.param.name; });

TEST(HostDataRecord, DecodeNeedsExactlyOneRecord) {
    const HostRecordBytes record = encodeHostDataRecord(u"X");
    EXPECT_FALSE(decodeHostDataRecord(std::span(record).first(2307)));
    std::vector<std::uint8_t> longer(record.begin(), record.end());
    longer.push_back(0);
    EXPECT_FALSE(decodeHostDataRecord(longer));
}

} // namespace
} // namespace readerlink
