// EF.COM, DG1 and DG2 as the chip builds them and the reader side parses them.

#include <gtest/gtest.h>

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"
#include "test_images.h"

namespace readerlink::chip {
namespace {

struct MaskCase {
    std::vector<int> groups;
    std::uint32_t mask;
};

TEST(EfCom, TagListBecomesTheFileMask) {
    const MaskCase cases[] = {
        {{}, 0x1},
        {{1, 2}, 0x7},
        {{1, 2, 11, 12, 14, 15}, 0xD807},
        {{2}, 0x5},
        {{16}, 0x10001},
    };
    for (const MaskCase& c : cases) {
        EfCom contents;
        contents.dataGroups = c.groups;
        const EfCom parsed = parseEfCom(buildEfCom(contents));
        EXPECT_EQ(parsed.dataGroups, c.groups);
        EXPECT_EQ(fileMaskOf(parsed), c.mask);
    }
}

TEST(EfCom, ReadsTheWorkedExampleFile) {
    const EfCom parsed = parseEfCom(fromHex("60145F0104303130365F36063034303030305C026175"));
    EXPECT_EQ(parsed.ldsVersion, "0106");
    EXPECT_EQ(parsed.unicodeVersion, "040000");
    EXPECT_EQ(parsed.dataGroups, (std::vector<int>{1, 2}));
}

TEST(EfCom, SkipsTagsThatNameNoDataGroup) {
    EXPECT_EQ(parseEfCom(fromHex("60055C03617F75")).dataGroups, (std::vector<int>{1, 2}));
}

TEST(EfCom, RejectsBrokenFiles) {
    for (const char* bad : {"61055C03616275", "6003AA0100", "60065C0461", "6080", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parseEfCom(fromHex(bad)), MalformedDataError);
    }
}

TEST(Dg1, CarriesTheMrzCharacters) {
    const std::string mrz = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";
    const Bytes file = buildDg1(mrz);
    EXPECT_EQ(toHex(ByteView(file).first(5)), "61" "5B" "5F1F" "58");
    EXPECT_EQ(parseDg1(file), mrz);
}

TEST(Dg1, RejectsBrokenFilesAndNonText) {
    for (const char* bad : {"6203" "5F1F00", "6103" "5F2000", "6104" "5F1F02" "41", "6104" "5F1F01" "0A",
                            "6104" "5F1F01" "00", "6104" "5F1F01" "C4"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parseDg1(fromHex(bad)), MalformedDataError);
    }
}

TEST(Dg2, CarriesAJpegFace) {
    const Bytes jpeg = testing::fakeJpeg(480, 640, 300);
    const FaceImage face = parseDg2(buildDg2(jpeg));
    EXPECT_EQ(face.data, jpeg);
    EXPECT_EQ(face.format, ImageFormat::Jpeg);
    EXPECT_EQ(face.width, 480);
    EXPECT_EQ(face.height, 640);
}

TEST(Dg2, CarriesAJpeg2000Face) {
    const Bytes jp2 = testing::encodeJpeg2000(testing::testPattern(30, 40), testing::Jpeg2000Container::Jp2File);
    const Bytes file = buildDg2(jp2);
    const FaceImage face = parseDg2(file);
    EXPECT_EQ(face.data, jp2);
    EXPECT_EQ(face.format, ImageFormat::Jpeg2000);
    EXPECT_EQ(face.width, 30);
    EXPECT_EQ(face.height, 40);
    // The template path the readers expect: 75 -> 7F61 -> 02, 7F60 -> A1, 5F2E.
    const TlvObject group = requireTlv(parseTlv(file).value, 0x7F61, "test");
    EXPECT_EQ(toHex(requireTlv(group.value, 0x02, "test").value), "01");
    const TlvObject info = requireTlv(group.value, 0x7F60, "test");
    EXPECT_TRUE(findTlv(info.value, 0xA1).has_value());
    EXPECT_EQ(toHex(requireTlv(info.value, 0x5F2E, "test").value.first(8)), "4641430030313000");
}

TEST(Dg2, RefusesToBuildFromSomethingElse) {
    EXPECT_THROW(buildDg2(fromHex("89504E470D0A1A0A")), ChipError);
}

// A facial record laid out by hand: header, facial information with
// `featurePoints` points, image information, image.
Bytes facialRecord(ByteView image, std::uint16_t featurePoints = 0, std::int64_t blockLengthDelta = 0,
                   std::uint16_t images = 1) {
    const std::size_t block = 20 + 8u * featurePoints + 12 + image.size();
    Bytes record{'F', 'A', 'C', 0, '0', '1', '0', 0};
    auto put = [&](std::uint64_t value, int size) {
        for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) record.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    put(14 + block, 4);
    put(images, 2);
    put(static_cast<std::uint64_t>(static_cast<std::int64_t>(block) + blockLengthDelta), 4);
    put(featurePoints, 2);
    record.resize(record.size() + 14, 0);
    record.resize(record.size() + 8u * featurePoints, 0x33);
    append(record, fromHex("0101" "0010" "0020" "01020000" "0000"));
    append(record, image);
    return record;
}

Bytes dg2Around(ByteView record, std::uint32_t blockTag = 0x5F2E) {
    Bytes info = encodeTlv(0xA1, fromHex("810102"));
    append(info, encodeTlv(blockTag, record));
    Bytes group = encodeTlv(0x02, Bytes{0x01});
    append(group, encodeTlv(0x7F60, info));
    return encodeTlv(0x75, encodeTlv(0x7F61, group));
}

TEST(Dg2, FindsTheImageBehindFeaturePointsAndInEncipheredBlocks) {
    const Bytes jpeg = testing::fakeJpeg(16, 32);
    EXPECT_EQ(parseDg2(dg2Around(facialRecord(jpeg, 3))).data, jpeg);
    const FaceImage face = parseDg2(dg2Around(facialRecord(jpeg), 0x7F2E));
    EXPECT_EQ(face.data, jpeg);
    EXPECT_EQ(face.width, 16);
    EXPECT_EQ(face.height, 32);
}

TEST(Dg2, RejectsBrokenTemplatesAndRecords) {
    const Bytes jpeg = testing::fakeJpeg(16, 32);
    Bytes wrongMagic = facialRecord(jpeg);
    wrongMagic[0] = 'X';
    Bytes pointsPastTheEnd = facialRecord(jpeg);
    pointsPastTheEnd[18] = pointsPastTheEnd[19] = 0xFF; // feature points the block does not hold
    const Bytes whole = buildDg2(jpeg);
    const std::vector<std::pair<const char*, Bytes>> cases{
        {"wrong outer tag", encodeTlv(0x76, ByteView(dg2Around(facialRecord(jpeg))).subspan(4))},
        {"no group template", encodeTlv(0x75, encodeTlv(0x02, Bytes{0x01}))},
        {"no data block", dg2Around(facialRecord(jpeg), 0x5F2F)},
        {"not a facial record", dg2Around(wrongMagic)},
        {"record shorter than its headers", dg2Around(ByteView(facialRecord(jpeg)).first(40))},
        {"block longer than the record", dg2Around(facialRecord(jpeg, 0, 1))},
        {"block shorter than its headers", dg2Around(facialRecord(jpeg, 0, -static_cast<std::int64_t>(jpeg.size()) - 1))},
        {"feature points past the end", dg2Around(pointsPastTheEnd)},
        {"no images", dg2Around(facialRecord(jpeg, 0, 0, 0))},
        {"image neither JPEG nor JPEG 2000", dg2Around(facialRecord(fromHex("89504E470D0A1A0A")))},
        {"cut short", Bytes(whole.begin(), whole.end() - 1)},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        EXPECT_THROW(parseDg2(file), MalformedDataError);
    }
}

} // namespace
} // namespace readerlink::chip
