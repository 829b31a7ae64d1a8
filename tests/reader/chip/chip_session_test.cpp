// The reader side against the virtual chip: BAC, secure messaging and file
// reads end to end, and the chip's refusals.

#include <gtest/gtest.h>

#include "chip_fakes.h"
#include "reader/chip/bac_reader.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"
#include "reader/chip/mrz_information.h"
#include "reader/chip/virtual_chip.h"
#include "test_images.h"

namespace readerlink::chip {
namespace {

const std::vector<std::string> kTd3{"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                    "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};
const std::vector<std::string> kTd1{"I<UTOD23145890<7349<<<<<<<<<<<", "3407127M9507122UTO<<<<<<<<<<<2",
                                    "STEVENSON<<PETER<JOHN<<<<<<<<<"};

std::uint16_t statusOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CardStatusError& e) {
        return e.statusWord();
    }
    return 0;
}

// A chip on a recording wire, and a reader on the same wire.
struct Station {
    explicit Station(const ChipDocument& document, testing::RecordingTransport::Tamper tamper = {})
        : chip(document), wire(chip, std::move(tamper)), random(makeSystemRandom()), reader(wire, *random) {}
    VirtualChip chip;
    testing::RecordingTransport wire;
    std::unique_ptr<RandomSource> random;
    BacReader reader;
};

ChipDocument td3Document(Bytes face = testing::fakeJpeg(240, 320, 600)) {
    ChipDocument document;
    document.mrzLines = kTd3;
    document.faceImage = std::move(face);
    return document;
}

struct ReadCase {
    const char* name;
    std::vector<std::string> lines;
    bool jpeg2000;
    BacReader::Selection selection;
    std::size_t faceFiller; // bytes added to a JPEG face to make DG2 long
};

class ReadsTheWholeChip : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsTheWholeChip, EfComDg1Dg2AfterBac) {
    const ReadCase& c = GetParam();
    ChipDocument document;
    document.mrzLines = c.lines;
    document.faceImage = c.jpeg2000 ? testing::encodeJpeg2000(testing::testPattern(40, 50),
                                                              testing::Jpeg2000Container::Jp2File)
                                    : testing::fakeJpeg(480, 640, c.faceFiller);
    document.dataGroups = {1, 2, 11};
    Station station(document);
    station.reader.setSelection(c.selection);
    station.reader.performBac(mrzInformationFromLines(c.lines));
    ASSERT_TRUE(station.reader.secured());

    const Bytes efCom = station.reader.readFile(0);
    EXPECT_EQ(fileMaskOf(parseEfCom(efCom)), 0x807u);
    std::string joined;
    for (const std::string& line : c.lines) joined += line;
    EXPECT_EQ(parseDg1(station.reader.readFile(1)), joined);
    const FaceImage face = parseDg2(station.reader.readFile(2));
    EXPECT_EQ(face.data, document.faceImage);
    EXPECT_EQ(face.format, c.jpeg2000 ? ImageFormat::Jpeg2000 : ImageFormat::Jpeg);
    EXPECT_EQ(toHex(station.reader.readFile(11)), "6B00");
    // Every file equals what the chip holds.
    EXPECT_EQ(station.reader.readFileById(0x0102), station.chip.files().at(0x0102));
    EXPECT_TRUE(station.reader.secured());
}

INSTANTIATE_TEST_SUITE_P(Table, ReadsTheWholeChip, ::testing::Values(
    ReadCase{"td3_jpeg", kTd3, false, BacReader::Selection::FileId, 0},
    ReadCase{"td3_jpeg_30k", kTd3, false, BacReader::Selection::FileId, 30000},
    ReadCase{"td3_jpeg2000", kTd3, true, BacReader::Selection::FileId, 0},
    ReadCase{"td1_long_number_jpeg2000", kTd1, true, BacReader::Selection::FileId, 0},
    ReadCase{"td3_short_file_ids", kTd3, false, BacReader::Selection::ShortFileId, 2000},
    ReadCase{"td3_jpeg_70k_past_offset_32767", kTd3, false, BacReader::Selection::FileId, 70000},
    ReadCase{"td3_short_file_ids_40k", kTd3, false, BacReader::Selection::ShortFileId, 40000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChipSession, CountersOfBothEndsAdvanceTwicePerSecuredCommand) {
    Station station(td3Document());
    station.reader.performBac(mrzInformationFromLines(kTd3));
    const std::uint64_t start = *station.reader.sendSequenceCounter();
    station.wire.clear();
    station.reader.readFile(2);
    EXPECT_EQ(*station.reader.sendSequenceCounter(), start + 2 * station.wire.exchanges().size());
    // The chip is still in step: another read verifies on both ends.
    EXPECT_NO_THROW(station.reader.readFile(1));
}

TEST(ChipSession, FilesStayClosedWithoutBac) {
    Station station(td3Document());
    station.reader.selectApplication();
    for (int file : {0, 1, 2})
        EXPECT_EQ(statusOf([&] { station.reader.readFile(file); }), sw::kSecurityStatusNotSatisfied) << file;
    station.reader.setSelection(BacReader::Selection::ShortFileId);
    EXPECT_EQ(statusOf([&] { station.reader.readFile(1); }), sw::kSecurityStatusNotSatisfied);
}

TEST(ChipSession, ChipWithoutBacReadsPlainAndStillAcceptsBac) {
    ChipDocument document = td3Document();
    document.bacProtected = false;
    Station station(document);
    station.reader.selectApplication();
    EXPECT_EQ(fileMaskOf(parseEfCom(station.reader.readFile(0))), 0x7u);
    EXPECT_EQ(station.wire.exchanges().back().command[0], 0x00); // plain
    station.reader.performBac(mrzInformationFromLines(kTd3));
    EXPECT_EQ(parseDg2(station.reader.readFile(2)).data, document.faceImage);
}

TEST(ChipSession, WrongMrzFailsBacAndLeavesTheChipClosed) {
    Station station(td3Document());
    // Same document, another date of birth: the chip refuses the keys.
    EXPECT_THROW(station.reader.performBac("L898902C3674081321204159"), BacError);
    EXPECT_FALSE(station.reader.secured());
    EXPECT_EQ(toHex(station.wire.exchanges().back().response), "6300");
    EXPECT_EQ(statusOf([&] { station.reader.readFile(1); }), sw::kSecurityStatusNotSatisfied);
    // The right MRZ still opens it afterwards.
    station.reader.performBac(mrzInformationFromLines(kTd3));
    EXPECT_EQ(parseDg1(station.reader.readFile(1)).size(), 88u);
}

TEST(ChipSession, ForgedChipAnswerFailsBac) {
    // A chip that does not know the keys cannot prove it: alter its cryptogram.
    Station station(td3Document(), [](std::size_t index, Bytes& response) {
        if (index == 2) response[5] ^= 0x01;
    });
    EXPECT_THROW(station.reader.performBac(mrzInformationFromLines(kTd3)), BacError);
    EXPECT_FALSE(station.reader.secured());
}

TEST(ChipSession, TamperedResponseEndsTheSessionUntilBacAgain) {
    std::size_t tamperAt = SIZE_MAX;
    Station station(td3Document(), [&](std::size_t index, Bytes& response) {
        if (index == tamperAt) response[3] ^= 0x80;
    });
    station.reader.performBac(mrzInformationFromLines(kTd3));
    tamperAt = station.wire.exchanges().size() + 1; // the first READ BINARY answer
    EXPECT_THROW(station.reader.readFile(1), SecureMessagingError);
    EXPECT_FALSE(station.reader.secured());
    // The chip never learned of it; the next plain command breaks its session too.
    EXPECT_EQ(statusOf([&] { station.reader.readFile(1); }), sw::kSmObjectsMissing);
    station.reader.performBac(mrzInformationFromLines(kTd3));
    EXPECT_EQ(parseDg1(station.reader.readFile(1)).size(), 88u);
}

TEST(ChipSession, LostAnswerEndsTheSession) {
    std::size_t loseAt = SIZE_MAX;
    Station station(td3Document(), [&](std::size_t index, Bytes&) {
        if (index == loseAt) throw ChipError("chip left the field");
    });
    station.reader.performBac(mrzInformationFromLines(kTd3));
    loseAt = station.wire.exchanges().size();
    EXPECT_THROW(station.reader.readFile(1), ChipError);
    EXPECT_FALSE(station.reader.secured());
}

TEST(ChipSession, TamperedCommandIsRefusedByTheChip) {
    Station station(td3Document());
    station.reader.performBac(mrzInformationFromLines(kTd3));
    // Send a protected command whose MAC was computed for other data.
    SecureMessaging forger(KeyPair{Bytes(16, 0x01), Bytes(16, 0x02)}, 0);
    const Bytes forged = forger.protectCommand({0x00, 0xB0, 0x00, 0x00, {}, 4}).encode();
    EXPECT_EQ(toHex(station.chip.transmit(forged)), "6988");
    // The chip has dropped its session: the reader's next command is refused
    // in plain, and the reader drops its session as well.
    EXPECT_EQ(statusOf([&] { station.reader.readFile(1); }), sw::kSmObjectsIncorrect);
    EXPECT_FALSE(station.reader.secured());
}

TEST(ChipSession, AbsentFilesAnswerFileNotFoundUnderProtection) {
    Station station(td3Document());
    station.reader.performBac(mrzInformationFromLines(kTd3));
    EXPECT_EQ(statusOf([&] { station.reader.readFile(3); }), sw::kFileNotFound);
    EXPECT_EQ(statusOf([&] { station.reader.readFile(17); }), sw::kFileNotFound);
    EXPECT_TRUE(station.reader.secured());
    EXPECT_NO_THROW(station.reader.readFile(2));
}

TEST(ChipSession, ResetEndsTheSession) {
    Station station(td3Document());
    station.reader.performBac(mrzInformationFromLines(kTd3));
    station.chip.reset();
    EXPECT_THROW(station.reader.readFile(1), CardStatusError);
    station.reader.performBac(mrzInformationFromLines(kTd3));
    EXPECT_NO_THROW(station.reader.readFile(1));
}

TEST(ChipSession, ReadsPastOffset32767WithTheOddInstruction) {
    Station station(td3Document(testing::fakeJpeg(480, 640, 50000)));
    station.reader.performBac(mrzInformationFromLines(kTd3));
    station.wire.clear();
    EXPECT_EQ(parseDg2(station.reader.readFile(2)).data.size(), testing::fakeJpeg(480, 640, 50000).size());
    std::size_t odd = 0;
    for (const auto& exchange : station.wire.exchanges()) odd += exchange.command[1] == 0xB1;
    // 50 kB from 32 kB on in chunks of 224 bytes.
    EXPECT_GE(odd, 70u);
    EXPECT_LE(odd, 90u);
}

TEST(ChipSession, ReaderRefusesAFileClaimingMoreThanAnyLdsFile) {
    ChipDocument document = td3Document();
    document.dataGroups = {1, 2, 5};
    document.otherDataGroups[5] = fromHex("658401000001AAAA");
    Station station(document);
    station.reader.performBac(mrzInformationFromLines(kTd3));
    station.wire.clear();
    EXPECT_THROW(station.reader.readFile(5), ChipError);
    EXPECT_LE(station.wire.exchanges().size(), 3u); // SELECT, the header, nothing more
}

struct ChipAnswer {
    const char* name;
    std::string command;
    const char* response;
};

class VirtualChipAnswers : public ::testing::TestWithParam<ChipAnswer> {};

TEST_P(VirtualChipAnswers, PlainCommandsBeforeBac) {
    VirtualChip chip(td3Document());
    chip.transmit(fromHex("00A4040C07A0000002471001"));
    EXPECT_EQ(toHex(chip.transmit(fromHex(GetParam().command))), GetParam().response);
}

INSTANTIATE_TEST_SUITE_P(Table, VirtualChipAnswers, ::testing::Values(
    ChipAnswer{"other_application", "00A4040C07A0000002471002", "6A82"},
    ChipAnswer{"select_ef_com", "00A4020C02011E", "9000"},
    ChipAnswer{"select_absent_file", "00A4020C020103", "6A82"},
    ChipAnswer{"select_bad_p2", "00A4020102011E", "6A86"},
    ChipAnswer{"select_fid_of_three_bytes", "00A4020C03011E00", "6A80"},
    ChipAnswer{"read_without_file", "00B0000004", "6986"},
    ChipAnswer{"read_by_short_id_without_bac", "00B0810004", "6982"},
    ChipAnswer{"read_absent_short_id", "00B0830004", "6A82"},
    ChipAnswer{"challenge_of_wrong_length", "0084000004", "6700"},
    ChipAnswer{"authenticate_without_challenge", "0082000028" + std::string(80, '0') + "28", "6985"},
    ChipAnswer{"secured_command_without_session", "0CB000000D9701048E08ED6705417E96BA5500", "6988"},
    ChipAnswer{"odd_read_without_file", "00B100000454020000" "0A", "6986"},
    ChipAnswer{"odd_read_without_bac", "00B181000454020000" "0A", "6982"},
    ChipAnswer{"odd_read_without_offset_object", "00B1810003550100" "0A", "6A80"},
    ChipAnswer{"odd_read_with_long_offset", "00B18100065404000000000A", "6A80"},
    ChipAnswer{"odd_read_by_file_id", "00B1011E0454020000" "0A", "6A86"},
    ChipAnswer{"unknown_instruction", "00CA000000", "6D00"},
    ChipAnswer{"unknown_class", "80B0000004", "6E00"},
    ChipAnswer{"malformed_apdu", "00B0", "6700"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualChip, ChallengeAnswersOneAttemptOnly) {
    Station station(td3Document());
    EXPECT_THROW(station.reader.performBac("L898902C3674081321204159"), BacError);
    // Replay the refused EXTERNAL AUTHENTICATE against no fresh challenge.
    const Bytes attempt = station.wire.exchanges().back().command;
    EXPECT_EQ(toHex(station.chip.transmit(attempt)), "6985");
}

TEST(VirtualChip, RefusesToBuildWithoutUsableKeysOrFace) {
    ChipDocument noLines = td3Document();
    noLines.mrzLines = {"P<UTO"};
    EXPECT_THROW(VirtualChip{noLines}, ChipError);
    ChipDocument noFace = td3Document({});
    EXPECT_THROW(VirtualChip{noFace}, ChipError);
    ChipDocument badGroup = td3Document();
    badGroup.dataGroups = {1, 17};
    EXPECT_THROW(VirtualChip{badGroup}, ChipError);
}

} // namespace
} // namespace readerlink::chip
