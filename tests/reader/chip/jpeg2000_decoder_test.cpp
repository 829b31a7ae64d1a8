#include <gtest/gtest.h>

#include "reader/chip/chip_error.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/jpeg2000_decoder.h"
#include "test_images.h"

namespace readerlink::chip {
namespace {

using testing::Jpeg2000Container;

class DecodesJpeg2000 : public ::testing::TestWithParam<Jpeg2000Container> {};

TEST_P(DecodesJpeg2000, ColourPixelsExactly) {
    const RgbImage original = testing::testPattern(21, 13);
    const Bytes encoded = testing::encodeJpeg2000(original, GetParam());
    EXPECT_EQ(sniffImageFormat(encoded), ImageFormat::Jpeg2000);
    const auto size = sniffImageSize(encoded);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 21u);
    EXPECT_EQ(size->height, 13u);

    const RgbImage decoded = decodeJpeg2000(encoded);
    EXPECT_EQ(decoded.width, 21);
    EXPECT_EQ(decoded.height, 13);
    EXPECT_EQ(decoded.rgb, original.rgb);
}

TEST_P(DecodesJpeg2000, GreyBecomesEqualChannels) {
    const RgbImage original = testing::testPattern(9, 9);
    const RgbImage decoded = decodeJpeg2000(testing::encodeJpeg2000(original, GetParam(), 1));
    ASSERT_EQ(decoded.rgb.size(), original.rgb.size());
    for (std::size_t i = 0; i < decoded.rgb.size(); i += 3) {
        EXPECT_EQ(decoded.rgb[i], original.rgb[i]);
        EXPECT_EQ(decoded.rgb[i + 1], original.rgb[i]);
        EXPECT_EQ(decoded.rgb[i + 2], original.rgb[i]);
    }
}

TEST_P(DecodesJpeg2000, RejectsACutImage) {
    Bytes encoded = testing::encodeJpeg2000(testing::testPattern(16, 16), GetParam());
    encoded.resize(40);
    EXPECT_THROW(decodeJpeg2000(encoded), MalformedDataError);
}

INSTANTIATE_TEST_SUITE_P(Containers, DecodesJpeg2000,
                         ::testing::Values(Jpeg2000Container::Jp2File, Jpeg2000Container::Codestream),
                         [](const auto& info) {
                             return info.param == Jpeg2000Container::Jp2File ? "jp2" : "codestream";
                         });

TEST(DecodeJpeg2000, RefusesOtherData) {
    EXPECT_THROW(decodeJpeg2000(testing::fakeJpeg(10, 10)), MalformedDataError);
    EXPECT_THROW(decodeJpeg2000(fromHex("0000000C6A5020200D0A870A00000000")), MalformedDataError);
    EXPECT_THROW(decodeJpeg2000({}), MalformedDataError);
}

} // namespace
} // namespace readerlink::chip
