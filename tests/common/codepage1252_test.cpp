#include "common/codepage1252.h"

#include <gtest/gtest.h>

namespace readerlink {
namespace {

struct EncodeCase {
    std::u16string text;
    std::vector<std::uint8_t> bytes;
};

class EncodeWindows1252 : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeWindows1252, MapsEachCodeUnitToOneByte) {
    EXPECT_EQ(encodeWindows1252(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodeWindows1252,
    ::testing::Values(EncodeCase{u"P<UTO", {'P', '<', 'U', 'T', 'O'}},
                      EncodeCase{u"\u00C4\u00D6\u00DC", {0xC4, 0xD6, 0xDC}},
                      EncodeCase{u"\u20AC\u0152\u017E", {0x80, 0x8C, 0x9E}},
                      // Arabic and CJK have no byte: '?'
                      EncodeCase{u"\u0627\u4E2D", {'?', '?'}},
                      // a lone surrogate is one code unit, one '?'
                      EncodeCase{u"\xD800", {'?'}}, EncodeCase{u"", {}}));

TEST(DecodeWindows1252, RoundTripsEveryByte) {
    std::vector<std::uint8_t> all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<std::uint8_t>(b));
    const std::u16string text = decodeWindows1252(all.data(), all.size());
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x81], u'\x81');
    EXPECT_EQ(encodeWindows1252(text), all);
}

} // namespace
} // namespace readerlink
