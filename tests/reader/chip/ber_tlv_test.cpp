#include <gtest/gtest.h>

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {
namespace {

struct GoodTlv {
    const char* name;
    std::string input;
    std::uint32_t tag;
    std::string value;
    std::size_t size; // bytes the object takes
};

class ParsesGoodTlv : public ::testing::TestWithParam<GoodTlv> {};

TEST_P(ParsesGoodTlv, TagValueAndSize) {
    const GoodTlv& c = GetParam();
    const Bytes input = fromHex(c.input);
    const TlvObject object = parseTlv(input);
    EXPECT_EQ(object.tag, c.tag);
    EXPECT_EQ(toHex(object.value), c.value);
    EXPECT_EQ(object.size(), c.size);
}

INSTANTIATE_TEST_SUITE_P(Table, ParsesGoodTlv, ::testing::Values(
    GoodTlv{"empty_value", "5C00", 0x5C, "", 2},
    GoodTlv{"short_length", "5F0104303130367F", 0x5F01, "30313036", 7},
    GoodTlv{"trailing_bytes_left_alone", "8E0211229000", 0x8E, "1122", 4},
    GoodTlv{"three_byte_tag", "5F8F0101AA", 0x5F8F01, "AA", 5},
    GoodTlv{"long_form_one_byte", "048180" + std::string(256, 'A'), 0x04, std::string(256, 'A'), 131},
    GoodTlv{"long_form_two_bytes", "7582000101", 0x75, "01", 5},
    GoodTlv{"long_form_four_bytes", "04840000000122", 0x04, "22", 7}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadTlv {
    const char* name;
    const char* input;
};

class RejectsMalformedTlv : public ::testing::TestWithParam<BadTlv> {};

TEST_P(RejectsMalformedTlv, WithMalformedDataError) {
    const Bytes input = fromHex(GetParam().input);
    EXPECT_THROW(parseTlv(input), MalformedDataError);
}

INSTANTIATE_TEST_SUITE_P(Table, RejectsMalformedTlv, ::testing::Values(
    BadTlv{"empty", ""},
    BadTlv{"tag_only", "60"},
    BadTlv{"multibyte_tag_cut", "5F"},
    BadTlv{"multibyte_tag_continuation_cut", "5F81"},
    BadTlv{"tag_of_four_bytes", "5F818101" "0100"},
    BadTlv{"filler_00", "0001AA"},
    BadTlv{"filler_FF", "FF01AA"},
    BadTlv{"indefinite_length", "6080AA0000"},
    BadTlv{"length_field_of_five_bytes", "60850000000001AA"},
    BadTlv{"length_field_of_127_bytes", "60FF"},
    BadTlv{"long_length_cut", "6082"},
    BadTlv{"value_cut", "6005AABBCC"},
    BadTlv{"long_value_cut", "608200FFAA"},
    BadTlv{"huge_length", "6084FFFFFFFFAA"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TlvSequence, MustFillTheDataExactly) {
    EXPECT_EQ(parseTlvSequence(fromHex("8001AA8102BBCC")).size(), 2u);
    EXPECT_TRUE(parseTlvSequence({}).empty());
    EXPECT_THROW(parseTlvSequence(fromHex("8001AA81")), MalformedDataError);
}

TEST(TlvSequence, FindsOnlyOnItsOwnLevel) {
    const Bytes data = fromHex("A1038001AA8001BB");
    ASSERT_TRUE(findTlv(data, 0x80).has_value());
    EXPECT_EQ(toHex(findTlv(data, 0x80)->value), "BB");
    EXPECT_FALSE(findTlv(data, 0x81).has_value());
    EXPECT_THROW(requireTlv(data, 0x81, "test"), MalformedDataError);
}

TEST(TlvHeader, AsksForMoreBytesOnlyWhereMoreCanHelp) {
    EXPECT_FALSE(peekTlvHeader(fromHex("5F")).has_value());
    EXPECT_FALSE(peekTlvHeader(fromHex("7582")).has_value());
    EXPECT_FALSE(peekTlvHeader(fromHex("758201")).has_value());
    const auto header = peekTlvHeader(fromHex("75824E20"));
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->tag, 0x75u);
    EXPECT_EQ(header->headerSize, 4u);
    EXPECT_EQ(header->valueLength, 20000u);
    EXPECT_THROW(peekTlvHeader(fromHex("5F8181")), MalformedDataError);
    EXPECT_THROW(peekTlvHeader(fromHex("6080")), MalformedDataError);
}

TEST(TlvEncoding, RoundTripsAcrossLengthForms) {
    for (std::size_t length : {0u, 1u, 127u, 128u, 255u, 256u, 65535u, 65536u}) {
        SCOPED_TRACE(length);
        const Bytes value(length, 0x5A);
        for (std::uint32_t tag : {0x04u, 0x5F2Eu, 0x7F61u, 0x5F8F01u}) {
            const Bytes encoded = encodeTlv(tag, value);
            const TlvObject object = parseTlv(encoded);
            EXPECT_EQ(object.tag, tag);
            EXPECT_EQ(object.size(), encoded.size());
            EXPECT_TRUE(std::equal(object.value.begin(), object.value.end(), value.begin(), value.end()));
        }
    }
    EXPECT_EQ(toHex(encodeLength(127)), "7F");
    EXPECT_EQ(toHex(encodeLength(128)), "8180");
    EXPECT_EQ(toHex(encodeLength(256)), "820100");
}

TEST(TlvObject, ConstructedBitComesFromTheFirstTagByte) {
    EXPECT_TRUE(parseTlv(fromHex("7F6100")).constructed());
    EXPECT_FALSE(parseTlv(fromHex("5F1F00")).constructed());
    EXPECT_TRUE(parseTlv(fromHex("6000")).constructed());
}

} // namespace
} // namespace readerlink::chip
