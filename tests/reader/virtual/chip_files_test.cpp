#include "reader/virtual/chip_files.h"

#include <gtest/gtest.h>

#include "reader/virtual/ber_tlv.h"

namespace readerlink::virtualreader {
namespace {

TEST(BerTlv, RejectsMalformedLengthsAndTags) {
    const std::vector<Bytes> malformed = {
        {0x60, 0x05, 0x01, 0x02},             // value runs past the end
        {0x60, 0x80, 0x00, 0x00},             // indefinite length
        {0x60, 0x85, 0, 0, 0, 0, 1, 0},       // length of five bytes
        {0x60, 0x82, 0x01},                   // length bytes cut off
        {0x60, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}, // four gigabytes announced
        {0x5F},                               // tag cut off
        {0x5F, 0x81, 0x81, 0x81, 0x00},       // tag of four bytes
        {0x60},                               // no length
    };
    for (const auto& bytes : malformed)
        EXPECT_FALSE(parseTlvs(bytes).has_value()) << "case of " << bytes.size() << " bytes";
}

TEST(BerTlv, ReadsShortAndLongLengthsAndMultiByteTags) {
    Bytes value(300, 0xAB);
    Bytes data;
    appendTlv(data, 0x5F1F, value);
    appendTlv(data, 0x02, Bytes{0x01});
    const auto objects = parseTlvs(data);
    ASSERT_TRUE(objects);
    ASSERT_EQ(objects->size(), 2u);
    EXPECT_EQ((*objects)[0].tag, 0x5F1Fu);
    EXPECT_EQ((*objects)[0].value.size(), 300u);
    EXPECT_EQ((*objects)[1].tag, 0x02u);
}

TEST(ChipFiles, EfComListsTheDataGroupsAsAFileMask) {
    const auto content = resolveChipFile(buildEfCom({1, 2, 14}));
    ASSERT_TRUE(content);
    EXPECT_EQ(std::get<EfComContent>(*content).fileMask, (1u << 0) | (1u << 1) | (1u << 2) | (1u << 14));
}

TEST(ChipFiles, Dg1AndDg2ComeBackAsBuilt) {
    const std::string mrz(88, 'A');
    const auto dg1 = resolveChipFile(buildDg1(mrz));
    ASSERT_TRUE(dg1);
    EXPECT_EQ(std::get<Dg1Content>(*dg1).mrz, mrz);

    const Bytes image = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3};
    const auto dg2 = resolveChipFile(buildDg2(image, 120, 160, 1));
    ASSERT_TRUE(dg2);
    EXPECT_EQ(std::get<Dg2Content>(*dg2).image, image);
    EXPECT_EQ(std::get<Dg2Content>(*dg2).imageType, 1);
}

TEST(ChipFiles, AFaceRecordShorterThanItsHeaderSaysIsRejected) {
    Bytes file = buildDg2(Bytes(50, 7), 10, 10);
    // Claim a block far longer than the record holds.
    for (std::size_t i = 0; i + 4 < file.size(); ++i)
        if (file[i] == 'F' && file[i + 1] == 'A' && file[i + 2] == 'C') {
            file[i + 14] = 0x7F;
            break;
        }
    EXPECT_FALSE(resolveChipFile(file).has_value());
    EXPECT_FALSE(resolveChipFile(Bytes{0x61, 0x00}).has_value()) << "DG1 without its MRZ";
    EXPECT_FALSE(resolveChipFile(Bytes{}).has_value());
}

} // namespace
} // namespace readerlink::virtualreader
