#include "reader/virtual/chip_files.h"

#include <gtest/gtest.h>

#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"

namespace readerlink::virtualreader {
namespace {

using chip::Bytes;

TEST(ChipFiles, EfComListsTheDataGroupsAsAFileMask) {
    const auto content = resolveChipFile(chip::buildEfCom({"0107", "040000", {1, 2, 14}}));
    ASSERT_TRUE(content);
    EXPECT_EQ(std::get<EfComContent>(*content).fileMask, (1u << 0) | (1u << 1) | (1u << 2) | (1u << 14));
}

TEST(ChipFiles, Dg1AndDg2ComeBackAsBuilt) {
    const std::string mrz(88, 'A');
    const auto dg1 = resolveChipFile(chip::buildDg1(mrz));
    ASSERT_TRUE(dg1);
    EXPECT_EQ(std::get<Dg1Content>(*dg1).mrz, mrz);

    // A JPEG 2000 codestream start: SOC, SIZ with a 120 x 160 picture.
    Bytes image = {0xFF, 0x4F, 0xFF, 0x51, 0x00, 0x29, 0x00, 0x00, 0, 0, 0, 120, 0, 0, 0, 160,
                   0,    0,    0,    0,    0,    0,    0,    0};
    image.resize(64, 0);
    const auto dg2 = resolveChipFile(chip::buildDg2(image));
    ASSERT_TRUE(dg2);
    EXPECT_EQ(std::get<Dg2Content>(*dg2).data, image);
    EXPECT_EQ(std::get<Dg2Content>(*dg2).format, chip::ImageFormat::Jpeg2000);
}

TEST(ChipFiles, MalformedFilesResolveToNothing) {
    const std::vector<Bytes> malformed = {
        {},
        {0x61, 0x00},                         // DG1 without its MRZ
        {0x60, 0x05, 0x01, 0x02},             // value runs past the end
        {0x60, 0x80, 0x00, 0x00},             // indefinite length
        {0x61, 0x03, 0x5F, 0x1F, 0x00, 0x00}, // a byte after the file
        {0x5F, 0x81, 0x81, 0x81, 0x00},       // tag of four bytes
    };
    for (const auto& bytes : malformed)
        EXPECT_FALSE(resolveChipFile(bytes).has_value()) << "case of " << bytes.size() << " bytes";
}

TEST(ChipFiles, OtherDataGroupsResolveByTheirTag) {
    const auto dg11 = resolveChipFile(Bytes{0x6B, 0x00});
    ASSERT_TRUE(dg11);
    EXPECT_EQ(std::get<OtherContent>(*dg11).tag, 0x6B);
}

} // namespace
} // namespace readerlink::virtualreader
