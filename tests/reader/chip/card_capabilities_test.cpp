#include "reader/chip/card_capabilities.h"
#include "reader/chip/virtual_chip.h"

#include <gtest/gtest.h>

namespace readerlink::chip {
namespace {

struct AtrCase {
    const char* name;
    const char* atr;
    bool extended;
};

class ExtendedLengthFromAtrTest : public ::testing::TestWithParam<AtrCase> {};

TEST_P(ExtendedLengthFromAtrTest, ReadsTheCardCapabilities) {
    EXPECT_EQ(extendedLengthFromAtr(fromHex(GetParam().atr)).has_value(), GetParam().extended);
}

INSTANTIATE_TEST_SUITE_P(
    Atrs, ExtendedLengthFromAtrTest,
    ::testing::Values(
        // Contactless card as PC/SC shows it: T0 85, TD1 80, TD2 01, then 80 73 00 21 40.
        AtrCase{"ContactlessExtended", "3B 85 80 01 80 73 00 21 40 96", true},
        AtrCase{"ContactlessShortOnly", "3B 85 80 01 80 73 00 21 00 D6", false},
        // TA1, TB1, TC1 before TD1 move the historical bytes on.
        AtrCase{"InterfaceBytesBefore", "3B F5 11 00 FF 80 01 80 73 00 21 40 00", true},
        // Category 00: the last three historical bytes are status, not TLV.
        AtrCase{"CategoryZeroWithStatus", "3B 88 80 01 00 73 00 21 40 00 90 00 00", true},
        AtrCase{"NoCapabilitiesObject", "3B 84 80 01 80 31 80 65 00", false},
        AtrCase{"ObjectRunsPastTheEnd", "3B 83 80 01 80 74 00 00", false},
        AtrCase{"NotAnAtr", "00 11 22", false}, AtrCase{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExtendedLengthFromAtrInfo, TakesTheLengthsTheCardGives) {
    const auto found = extendedLengthFromAtrInfo(fromHex("7F66 08 02 02 0800 02 02 1000"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->maxCommand, 0x800u);
    EXPECT_EQ(found->maxResponse, 0x1000u);
    EXPECT_EQ(securedReadSize(*found), 0x1000u - 31);
    // Lengths within short APDUs say nothing new; garbage says nothing at all.
    EXPECT_FALSE(extendedLengthFromAtrInfo(fromHex("7F66 06 02 01 FF 02 01 FF")));
    EXPECT_FALSE(extendedLengthFromAtrInfo(fromHex("7F66 08 02 02")));
    EXPECT_TRUE(extendedLengthFromAtrInfo(fromHex("47 03 00 21 40")));
}

TEST(ProbeExtendedLength, FallsBackToTheAtrWhenTheChipHasNoAtrInfo) {
    ChipDocument document;
    document.mrzLines = {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                         "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};
    document.dataGroups = {1};
    VirtualChip chip(document);
    EXPECT_TRUE(probeExtendedLength(chip, fromHex("3B 85 80 01 80 73 00 21 40 96")));
    EXPECT_FALSE(probeExtendedLength(chip, fromHex("3B 85 80 01 80 73 00 21 00 D6")));
}

TEST(SecuredReadSize, LargestReadFitsA64kAnswer) {
    EXPECT_EQ(securedReadSize(ExtendedLength{}), 65505u);
    EXPECT_EQ(securedReadSize(ExtendedLength{65535, 20}), 0u);
}

} // namespace
} // namespace readerlink::chip
