// Whole read passes over the scripted reader: what reaches the target
// application, what the log shows and which files the archive holds.

#include "platform/linux/spawn_converter_launcher.h"
#include "read_harness.h"
#include "support/stub_converter.h"

#include <fstream>

namespace readerlink::fake {
namespace {

using specimen::kPassportLine1;
using specimen::kPassportLine2;
using specimen::kVisaLine1;
using specimen::kVisaLine2;
using Lines = std::vector<std::string>;

const std::string kL1 = toUtf8(kPassportLine1);
const std::string kL2 = toUtf8(kPassportLine2);
const std::string kMrz88 = kL1 + kL2;
const std::string kClockName = "44237.4725347222";
const std::string kEmptyRecord = "@###########";
const std::string kNoFields = toUtf8(reader::kEmptyRecordNotSent);

// The page's OCR misread the name; BAC only needs the number and dates.
const std::u16string kMisreadLine1 = u"P<UTOERIKSS0N<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";

Lines only(const Lines& calls, const std::vector<std::string>& prefixes) {
    Lines out;
    for (const auto& call : calls) {
        for (const auto& prefix : prefixes) {
            if (call.rfind(prefix, 0) == 0) {
                out.push_back(call);
                break;
            }
        }
    }
    return out;
}

// --- Clean reads -----------------------------------------------------------

TEST_F(ReadTest, CleanPassportWithoutChipDeliversRecordMrzAndImageReady) {
    layPage(kPassportLine1, kPassportLine2, 0, {{10102, u"ERIKSSON"}, {2113, u"L898902C3"}});
    reader.documents[kPageDoc].statuses[2113] = 100;

    testsupport::StubConverter stub;
    TempFolder programFolder; // holds no converter: the PATH one is used
    auto launcher = platform::makeConverterLauncher(programFolder.path());
    converter.forwardTo = launcher.get();

    read();

    const std::string record = "@#ERIKSSON##L898902C3########";
    EXPECT_EQ(deliveries, (Lines{record, kMrz88, "@ImageReady"}));
    EXPECT_EQ(
        station.logLines,
        (Lines{"Get RFID", "Ready to capture ...", "Field (1): ERIKSSON\t[Ok]",
               "Field (3): L898902C3\t[Warning]", record, "", "Done.", "Line 1: " + kL1 + "\t[Ok]",
               "Line 2: " + kL2 + "\t[Ok]", "MRZ is : " + kL1 + "\r\n" + kL2 + "\r\n",
               "Is a Passport", "Save to " + P() + "/Passport/UTO-L898902C3.jpg", "", "MRZ Done.",
               "805:L898902C3"}));
    EXPECT_EQ(folder.files(), (Lines{"L898902C3.jpg", "Passport/UTO-L898902C3.jpg",
                                     "Passport/UTO-L898902C3IN.jpg"}));
    EXPECT_EQ(converter.launched, (Lines{P() + "/L898902C3.jpg"}));
    EXPECT_EQ(stub.waitForRuns(1),
              (Lines{"1|" + programFolder.path() + "|" + P() + "/L898902C3.jpg"}));
    EXPECT_TRUE(station.passport);
    EXPECT_EQ(station.errorLabel, u"Working");
    EXPECT_EQ(station.errorColour, LabelColour::Black);
    EXPECT_EQ(scanData, u"@ImageReady");
    EXPECT_EQ(reader.captures, 1);
    EXPECT_EQ(only(reader.calls, {"Pump", "Capture", "Recognize", "GetMrz", "Deliver"}),
              (Lines{"Pump", "Capture", "Recognize 0", "Deliver " + record, "GetMrz 0 7 0",
                     "Deliver " + kMrz88, "Pump", "Recognize 0", "Deliver @ImageReady"}));
}

// A record of eleven empty fields would only clear the host's form.
TEST_F(ReadTest, CleanReadWithAllRecordFieldsEmptyDeliversNoRecord) {
    layPage(kPassportLine1, kPassportLine2);
    read();
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady"}));
    EXPECT_EQ(std::count(station.logLines.begin(), station.logLines.end(), kNoFields), 1);
    EXPECT_EQ(std::count(station.logLines.begin(), station.logLines.end(), kEmptyRecord), 0);
    for (const auto& line : station.logLines)
        EXPECT_NE(line.rfind("Field (", 0), 0u) << line;
}

TEST_F(ReadTest, VisaIsArchivedUnderVisasWithoutPortrait) {
    layPage(kVisaLine1, kVisaLine2);
    read();
    EXPECT_EQ(deliveries, (Lines{toUtf8(kVisaLine1 + kVisaLine2), "@ImageReady"}));
    EXPECT_EQ(logFrom("Is a Visa"), (Lines{"Is a Visa", "", "MRZ Done.", "807:List < 1"}));
    EXPECT_EQ(folder.files(),
              (Lines{"Visas/L8988901C-6ZE184226B.jpg", "Visas/L8988901C-6ZE184226BIN.jpg"}));
    EXPECT_TRUE(converter.launched.empty());
    EXPECT_FALSE(station.passport);
    // The portrait step leaves the page's two MRZ lines behind it.
    EXPECT_EQ(reader.calls.back(), "Deliver @ImageReady");
}

TEST_F(ReadTest, OtherDocumentGoesToOthersUnderTheClockName) {
    layPage(u"I<UTOD231458907<<<<<<<<<<<<<<<", u"7408122F1204159UTO<<<<<<<<<<<6");
    clock.separator = u",";
    read();
    EXPECT_EQ(folder.files(), (Lines{"Others/44237,4725347222.jpg"}));
    EXPECT_EQ(logFrom("MRZ Done."), (Lines{"MRZ Done.", "807:List < 1"}));
}

TEST_F(ReadTest, ExistingPortraitIsKeptAndConverterNotStarted) {
    layPage(kPassportLine1, kPassportLine2);
    { std::ofstream(P() + "/L898902C3.jpg") << "earlier"; }
    read();
    std::ifstream kept(P() + "/L898902C3.jpg");
    std::string content;
    kept >> content;
    EXPECT_EQ(content, "earlier");
    EXPECT_TRUE(converter.launched.empty());
    EXPECT_EQ(logFrom("805:L898902C3"), (Lines{"805:L898902C3"}));
    EXPECT_EQ(deliveries.back(), "@ImageReady");
    EXPECT_TRUE(callsStartingWith("SaveImage ImViz").empty());
}

TEST_F(ReadTest, MissingPictureFolderSavesNothingAndSaysSo) {
    layPage(kPassportLine1, kPassportLine2);
    station.folder = fromUtf8(P() + "/missing");
    read();
    EXPECT_EQ(logFrom("Is a Passport"),
              (Lines{"Is a Passport", "Folder is not exist to save passport", "", "MRZ Done.", "",
                     "Photo path is not valid."}));
    EXPECT_EQ(deliveries, (Lines{kMrz88}));
    EXPECT_TRUE(folder.files().empty());
    EXPECT_TRUE(converter.launched.empty());
    // Only one level is ever created: a missing picture folder stays missing.
    EXPECT_FALSE(std::filesystem::exists(P() + "/missing"));
}

TEST_F(ReadTest, DirectModeNeverProducesImageReady) {
    layPage(kPassportLine1, kPassportLine2);
    station.app = 1;
    read();
    EXPECT_EQ(deliveries, (Lines{kMrz88}));
    // The portrait step left the page's MRZ lines for "Send MRZ".
    EXPECT_EQ(scanData, kPassportLine1 + u"\r\n" + kPassportLine2);
    EXPECT_EQ(converter.launched.size(), 1u);
}

TEST_F(ReadTest, ForgedMrzCannotWriteOutsideTheArchive) {
    // Separators, dots, NUL and control characters where the document number
    // and nationality should be.
    std::u16string forged = u"../AB";
    forged += std::u16string{u'\0', u'\x01', u'/', u'.', u'<'};
    forged += u"/..";
    forged += std::u16string(31, u'<');
    ASSERT_EQ(forged.size(), 44u);
    layPage(u"P<UTOERIKSSON<<ANNA<<<<<<<<<<<<<<<<<<<<<<<<<", forged);
    std::filesystem::create_directories(P() + "/deep/archive");
    station.folder = fromUtf8(P() + "/deep/archive");
    read();
    EXPECT_EQ(folder.files(), (Lines{"deep/archive/AB.jpg", "deep/archive/Passport/-   AB.jpg",
                                     "deep/archive/Passport/-   ABIN.jpg"}));
    EXPECT_EQ(converter.launched, (Lines{P() + "/deep/archive/AB.jpg"}));
    EXPECT_EQ(logFrom("805:AB"), (Lines{"805:AB"}));
}

// --- The chip --------------------------------------------------------------

struct ChipOpening {
    const char* name;
    bool bacRequired;
    int firstReadError;
    std::string errorLine;
    std::string bacLine;
    friend void PrintTo(const ChipOpening& c, std::ostream* os) { *os << c.name; }
};

class ChipReadTest : public ReadTest, public ::testing::WithParamInterface<ChipOpening> {};

TEST_P(ChipReadTest, ChipMrzAndFaceReplaceThePageOnes) {
    const ChipOpening& c = GetParam();
    layPage(kMisreadLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    reader.bacRequired = c.bacRequired;
    reader.errorBeforeBac = c.firstReadError;
    reader.errorTexts[13] = u"Access denied";
    reader.errorTexts[0x6982] = u"Security status not satisfied";

    read();

    const std::string pageMrz = toUtf8(kMisreadLine1) + kL2;
    EXPECT_EQ(deliveries, (Lines{pageMrz, "@ImageReady", kMrz88}));
    EXPECT_EQ(
        station.logLines,
        (Lines{"Get RFID", "Reading RFID data ...", c.errorLine, c.bacLine, kL1 + "\r\n" + kL2,
               "Is a Passport", "874:Image Saved " + P() + "/L898902C3.jpg", "Ready to capture ...",
               kNoFields, "", "Done.", "Is a Passport",
               "Save to " + P() + "/Passport/UTO-L898902C3.jpg", "", "MRZ Done."}));
    EXPECT_EQ(station.statusLabel, u"874:Image Saved " + fromUtf8(P()) + u"/L898902C3.jpg");
    EXPECT_EQ(folder.files(), (Lines{"L898902C3.jpg", "Passport/UTO-L898902C3.jpg",
                                     "Passport/UTO-L898902C3IN.jpg"}));
    EXPECT_EQ(callsStartingWith("SaveImage ImRF"),
              (Lines{"SaveImage ImRF " + P() + "/L898902C3.jpg 2"}));
    EXPECT_TRUE(converter.launched.empty());
    EXPECT_EQ(reader.bacAttempts,
              (std::vector<std::u16string>{kMisreadLine1 + u"\r\n" + kPassportLine2 + u"\r\n"}));
    EXPECT_EQ(callsStartingWith("ResolveMrzText"), (Lines{"ResolveMrzText " + kMrz88}));
    EXPECT_EQ(only(reader.calls,
                   {"Pump", "Capture", "Deliver", "MakeBAC", "Disconnect", "Recognize", "GetMrz"}),
              (Lines{"Pump", "Pump", "Pump", "Capture", "GetMrz 0 2 0", "Deliver " + pageMrz,
                     "MakeBAC CARD0", "Pump", "Deliver @ImageReady", "DisconnectRfidCard CARD0",
                     "Recognize 0", "Deliver " + kMrz88, "Pump"}));
}

INSTANTIATE_TEST_SUITE_P(
    Openings, ChipReadTest,
    ::testing::Values(
        ChipOpening{"OpenChip", false, 0, "Error (00000000): OK", "Trying BAC ..."},
        ChipOpening{"Code13", true, 13, "Error (0000000D): Access denied", "Making BAC ..."},
        ChipOpening{"OtherRefusal", true, 0x6982, "Error (00006982): Security status not satisfied",
                    "Trying BAC ..."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadTest, WrongMrzFailsBacAndThePageIsReadInstead) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    reader.bacRequired = true;
    reader.errorBeforeBac = 0x6982;
    reader.bacMrz = u"another passport's keys";
    reader.errorTexts[0x6982] = u"Security status not satisfied";
    reader.errorTexts[0x6300] = u"Authentication failed";
    reader.docErrorCode = 0x1F;
    reader.docErrorText = u"No such field";

    read();

    EXPECT_EQ(deliveries, (Lines{kMrz88, kMrz88, "@ImageReady"}));
    EXPECT_EQ(station.logLines,
              (Lines{"Get RFID", "Reading RFID data ...",
                     "Error (00006982): Security status not satisfied", "Trying BAC ...",
                     "Error (00006300): Authentication failed", "Error (0000001F): No such field",
                     "Ready to capture ...", kNoFields, "", "Done.", "Line 1: " + kL1 + "\t[Ok]",
                     "Line 2: " + kL2 + "\t[Ok]", "MRZ is : " + kL1 + "\r\n" + kL2 + "\r\n",
                     "Is a Passport", "Save to " + P() + "/Passport/UTO-L898902C3.jpg", "",
                     "MRZ Done.", "805:L898902C3"}));
    // The mask was asked of the page MRZ document, no chip file was read
    // behind the failed BAC, and the card was let go.
    EXPECT_EQ(callsStartingWith("GetRfidFileB"), (Lines{"GetRfidFileB CARD0 0"}));
    EXPECT_EQ(callsStartingWith("DisconnectRfidCard").size(), 1u);
    EXPECT_EQ(converter.launched, (Lines{P() + "/L898902C3.jpg"}));
}

TEST_F(ReadTest, FaceWithoutChipMrzIsNotAPassportYetStillReady) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2, 0b101);
    read();
    EXPECT_EQ(logFrom("Trying BAC ...").at(1), ""); // MrzText is empty
    EXPECT_EQ(logFrom("Trying BAC ...").at(2), "Not a passport");
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady", kMrz88}));
    EXPECT_TRUE(callsStartingWith("SaveImage ImRF").empty());
    // The MRZ came from the page afterwards, and made it a passport there.
    EXPECT_EQ(callsStartingWith("GetMrz"), (Lines{"GetMrz 0 2 0", "GetMrz 0 7 0"}));
    EXPECT_TRUE(station.passport);
}

TEST_F(ReadTest, EmptyMaskReadsNoFileAndLetsTheCardGo) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2, 0);
    read();
    EXPECT_EQ(callsStartingWith("GetRfidFileB"),
              (Lines{"GetRfidFileB CARD0 0", "GetRfidFileB CARD0 0"}));
    EXPECT_EQ(callsStartingWith("DisconnectRfidCard"), (Lines{"DisconnectRfidCard CARD0"}));
    EXPECT_EQ(deliveries, (Lines{kMrz88, kMrz88, "@ImageReady"}));
}

TEST_F(ReadTest, HighMaskBitsAreAllExaminedInRisingOrder) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2,
            (std::int64_t{1} << 31) | (1 << 14) | 0b11 | (std::int64_t{1} << 40));
    read();
    EXPECT_EQ(callsStartingWith("GetRfidFileB"),
              (Lines{"GetRfidFileB CARD0 0", "GetRfidFileB CARD0 0", "GetRfidFileB CARD0 0",
                     "GetRfidFileB CARD0 1", "GetRfidFileB CARD0 14", "GetRfidFileB CARD0 31"}));
}

TEST_F(ReadTest, OnlyTheFirstOfSeveralCardsIsAskedFor) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    reader.cardCount = 3;
    read();
    EXPECT_EQ(callsStartingWith("GetRfidCard "), (Lines{"GetRfidCard 0"}));
}

struct NoChip {
    const char* name;
    int cards;
    bool found;
    bool connects;
    friend void PrintTo(const NoChip& c, std::ostream* os) { *os << c.name; }
};

class NoChipTest : public ReadTest, public ::testing::WithParamInterface<NoChip> {};

TEST_P(NoChipTest, PageIsCapturedByThePass) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    reader.cardCount = GetParam().cards;
    reader.cardFound = GetParam().found;
    reader.connects = GetParam().connects;
    read();
    EXPECT_EQ(station.logLines.at(0), "Get RFID");
    EXPECT_EQ(station.logLines.at(1), "Ready to capture ...");
    EXPECT_EQ(reader.captures, 1);
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, NoChipTest,
                         ::testing::Values(NoChip{"NoCards", 0, true, true},
                                           NoChip{"NegativeCount", -1, true, true},
                                           NoChip{"CardNotFound", 1, false, true},
                                           NoChip{"ConnectRefused", 1, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadTest, FaultInChipFilesCapturesAgainAndKeepsTheCard) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    throwAt("PrApi.ResolveMrzText", 1);
    read();
    EXPECT_EQ(
        logFrom("Injected fault in PrApi.ResolveMrzText"),
        (Lines{"Injected fault in PrApi.ResolveMrzText", "Capture", "Ready to capture ...", kNoFields,
               "", "Done.", "Is a Passport", "Save to " + P() + "/Passport/UTO-L898902C3.jpg", "",
               "MRZ Done.", "805:L898902C3"}));
    EXPECT_TRUE(callsStartingWith("DisconnectRfidCard").empty());
    EXPECT_EQ(reader.captures, 2);
    // The chip MRZ had been taken before the fault; the face never came.
    EXPECT_EQ(deliveries, (Lines{kMrz88, kMrz88, "@ImageReady"}));
}

TEST_F(ReadTest, FaultAtFirstLookAtFileZeroIsLoggedAndTheChipStillRead) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    throwAt("PrApi.GetRfidFileB", 1);
    read();
    EXPECT_EQ(Lines(station.logLines.begin(), station.logLines.begin() + 6),
              (Lines{"Get RFID", "Reading RFID data ...", "Injected fault in PrApi.GetRfidFileB",
                     "Capture 1", "Error (00000000): OK", "Trying BAC ..."}));
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady", kMrz88}));
}

TEST_F(ReadTest, FaultReadingFileZeroBehindBacResolvesWhatTheDataHeld) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    throwAt("PrApi.GetRfidFileB", 2);
    read();
    // The first look had left EF.COM in the chip data: its mask still leads
    // to the chip's files.
    EXPECT_EQ(logFrom("Trying BAC ...").at(1), "Injected fault in PrApi.GetRfidFileB");
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady", kMrz88}));
    EXPECT_EQ(callsStartingWith("DisconnectRfidCard").size(), 1u);
}

TEST_F(ReadTest, MaskOfTheWrongTypeEndsTheChipFilesWithANewCapture) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    reader.documents[kChipComDoc].fileMask = chipBytes(7);
    read();
    EXPECT_EQ(logFrom("Invalid variant type conversion").at(1), "Capture");
    EXPECT_TRUE(callsStartingWith("DisconnectRfidCard").empty());
    EXPECT_EQ(reader.captures, 2);
}

TEST_F(ReadTest, ChipPortraitNotWrittenIsReportedAsSuch) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    station.folder = fromUtf8(P() + "/missing");
    read();
    const std::string path = P() + "/missing/L898902C3.jpg";
    EXPECT_NE(
        std::find(station.logLines.begin(), station.logLines.end(), "874:Image not saved " + path),
        station.logLines.end());
    EXPECT_EQ(
        std::count(station.logLines.begin(), station.logLines.end(), "874:Image Saved " + path), 0);
    EXPECT_EQ(station.statusLabel, u"874:Image not saved " + fromUtf8(path));
}

// An older file under the portrait's name must not pass for a write that failed.
TEST_F(ReadTest, AFailedPortraitWriteOverAnOlderFileIsReportedAsNotSaved) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    const std::string path = P() + "/L898902C3.jpg";
    { std::ofstream(path) << "from 2020"; }
    reader.failingSaves = {"ImRF"};
    read();
    EXPECT_EQ(
        std::count(station.logLines.begin(), station.logLines.end(), "874:Image Saved " + path), 0);
    EXPECT_EQ(station.statusLabel, u"874:Image not saved " + fromUtf8(path));
}

TEST_F(ReadTest, DirectModeChipReadSendsNoImageReady) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    station.app = 1;
    read();
    EXPECT_EQ(deliveries, (Lines{kMrz88, kMrz88}));
}

// --- Statuses of MRZ line 2 --------------------------------------------------

struct SaveOnlyStatus {
    int status;
    std::string text;
    friend void PrintTo(const SaveOnlyStatus& c, std::ostream* os) { *os << c.status; }
};

class SaveOnlyStatusTest : public ReadTest, public ::testing::WithParamInterface<SaveOnlyStatus> {};

TEST_P(SaveOnlyStatusTest, PageGoesToOthersAndNothingIsDelivered) {
    layPage(kPassportLine1, kPassportLine2, GetParam().status);
    read();
    EXPECT_EQ(station.statusBar, fromUtf8(GetParam().text));
    EXPECT_EQ(station.logLines, (Lines{"Get RFID", GetParam().text}));
    EXPECT_EQ(folder.files(), (Lines{"Others/" + kClockName + ".jpg"}));
    EXPECT_TRUE(deliveries.empty());
    EXPECT_FALSE(station.passport);
}

INSTANTIATE_TEST_SUITE_P(Statuses, SaveOnlyStatusTest,
                         ::testing::Values(SaveOnlyStatus{100, "Warning MRZ2"},
                                           SaveOnlyStatus{101, "Warning DATA INTEGRITY MRZ2"},
                                           SaveOnlyStatus{102, "Warning OCR MRZ2"},
                                           SaveOnlyStatus{200, "Error MRZ2"},
                                           SaveOnlyStatus{201, "Error ILLEGAL_CHAR MRZ2"},
                                           SaveOnlyStatus{202, "Error ILLEGAL CHECKSUM MRZ2"}),
                         [](const auto& info) { return std::to_string(info.param.status); });

class UnknownStatusTest : public ReadTest, public ::testing::WithParamInterface<int> {};

TEST_P(UnknownStatusTest, PassEndsSilentlyAfterRecognition) {
    layPage(kPassportLine1, kPassportLine2, GetParam());
    read();
    EXPECT_EQ(station.logLines, (Lines{"Get RFID"}));
    EXPECT_EQ(station.statusBar, u"Ready to capture ...");
    EXPECT_TRUE(folder.files().empty());
    EXPECT_TRUE(deliveries.empty());
}

INSTANTIATE_TEST_SUITE_P(Statuses, UnknownStatusTest, ::testing::Values(150, 1, 99, 204, 300, -1),
                         [](const auto& info) {
                             return info.param < 0 ? "minus" + std::to_string(-info.param)
                                                   : std::to_string(info.param);
                         });

TEST_F(ReadTest, ChecksumErrorOnPassportStillDeliversTheMrzAsOther) {
    layPage(kPassportLine1, kPassportLine2, 203);
    read();
    const std::string path = P() + "/Others/" + kClockName + ".jpg";
    EXPECT_EQ(deliveries, (Lines{"@ImageCaptured|" + path, kMrz88}));
    EXPECT_EQ(station.logLines,
              (Lines{"Get RFID", "Error CHECKSUM MRZ2", "Line 1: " + kL1 + "\t[Ok]",
                     "Line 2: " + kL2 + "\t[Ok]", "MRZ is : " + kL1 + "\r\n" + kL2 + "\r\n",
                     "Capture notification sent", "", "MRZ Done."}));
    EXPECT_EQ(station.statusBar, u"Error CHECKSUM MRZ2");
    EXPECT_EQ(folder.files(), (Lines{"Others/" + kClockName + ".jpg"}));
    EXPECT_FALSE(station.passport);
    EXPECT_TRUE(converter.launched.empty());
}

TEST_F(ReadTest, ChecksumErrorOnVisaGoesToVisas) {
    layPage(kVisaLine1, kVisaLine2, 203);
    station.app = 1; // the notification is handed over whatever the target
    read();
    const std::string path = P() + "/Visas/L8988901C-6ZE184226B.jpg";
    EXPECT_EQ(deliveries, (Lines{"@ImageCaptured|" + path, toUtf8(kVisaLine1 + kVisaLine2)}));
    EXPECT_EQ(logFrom("Is a Visa"),
              (Lines{"Is a Visa", "Capture notification sent", "", "MRZ Done."}));
    EXPECT_EQ(folder.files(),
              (Lines{"Visas/L8988901C-6ZE184226B.jpg", "Visas/L8988901C-6ZE184226BIN.jpg"}));
}

TEST_F(ReadTest, ChecksumNotificationWithoutImageSaysTheImageIsMissing) {
    layPage(kPassportLine1, kPassportLine2, 203);
    station.folder = fromUtf8(P() + "/missing");
    read();
    const std::string path = P() + "/missing/Others/" + kClockName + ".jpg";
    EXPECT_EQ(logFrom("Image not saved " + path),
              (Lines{"Image not saved " + path, "Capture notification sent", "", "MRZ Done."}));
    EXPECT_EQ(deliveries, (Lines{"@ImageCaptured|" + path, kMrz88}));
}

TEST_F(ReadTest, ChipDeliveriesComeBeforeTheChecksumNotification) {
    layPage(kPassportLine1, kPassportLine2, 203);
    addChip(kPassportLine1 + kPassportLine2);
    read();
    EXPECT_EQ(deliveries,
              (Lines{kMrz88, "@ImageReady",
                     "@ImageCaptured|" + P() + "/Others/" + kClockName + ".jpg", kMrz88}));
}

// --- No data, no MRZ, restarts ----------------------------------------------

TEST_F(ReadTest, NoDataFoundEndsThePass) {
    layPage(kPassportLine1, kPassportLine2);
    reader.recognizeResults = {0};
    read();
    EXPECT_EQ(station.logLines, (Lines{"Get RFID", "No data found!"}));
    EXPECT_TRUE(deliveries.empty());
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(ReadTest, NoMrzFoundRestartsAndStopsAfterTheLastAttempt) {
    layPage(kPassportLine1, kPassportLine2);
    reader.getMrzResults = {0};
    read();
    const Lines pass = {"Get RFID", "Ready to capture ...", kNoFields, "",
                        "Done.",    "No MRZ found!"};
    Lines expected;
    for (int i = 0; i < 6; ++i)
        expected.insert(expected.end(), pass.begin(), pass.end());
    expected.push_back("Read stopped: still no MRZ after attempt 6");
    EXPECT_EQ(station.logLines, expected);
    EXPECT_EQ(station.statusLabel, u"Read stopped: still no MRZ after attempt 6");
    EXPECT_EQ(reader.captures, 6);
    EXPECT_EQ(deliveries, Lines{});
}

TEST_F(ReadTest, RestartLimitIsTheWorkflowsOption) {
    layPage(kPassportLine1, kPassportLine2, 203);
    reader.getMrzResults = {0};
    reader::ReadWorkflow once(context, archive, reader::ReadWorkflowOptions{0});
    once.ARH_CaptureAndRead();
    EXPECT_EQ(station.logLines, (Lines{"Get RFID", "Error CHECKSUM MRZ2", "No MRZ found!",
                                       "Read stopped: still no MRZ after attempt 1"}));
}

TEST_F(ReadTest, MrzFoundOnSecondPassCompletesTheRead) {
    layPage(kPassportLine1, kPassportLine2);
    reader.getMrzResults = {0, kPageMrzDoc};
    read();
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady"}));
    EXPECT_EQ(reader.captures, 2);
    EXPECT_EQ(station.statusLabel, u"");
}

TEST_F(ReadTest, BlankSecondLineRetriesTheRead) {
    layPage(kPassportLine1, kPassportLine2);
    constexpr sdk::DocHandle kBlankLine2 = 12;
    FakeDocument blank;
    blank.fields = {{1001, kPassportLine1}, {1002, u" \t "}};
    reader.documents[kBlankLine2] = blank;
    reader.getMrzResults = {kBlankLine2, kPageMrzDoc};
    read();
    EXPECT_EQ(Lines(station.logLines.begin(), station.logLines.begin() + 9),
              (Lines{"Get RFID", "Ready to capture ...", kNoFields, "", "Done.",
                     "Line 1: " + kL1 + "\t[Ok]", "Line 2:  \t \t[Ok]", "Retry read", "Get RFID"}));
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady"}));
}

// --- Running alongside the window ----------------------------------------------

TEST_F(ReadTest, ControlsReplacedWhileTheLoopRunsAreUsedFromThenOn) {
    layPage(kPassportLine1, kPassportLine2);
    addChip(kPassportLine1 + kPassportLine2);
    int pumps = 0;
    station.onPump = [&] {
        if (++pumps == 3)
            controls = reader.makeControls(); // a second "Connect"
    };
    read();
    EXPECT_EQ(deliveries, (Lines{kMrz88, "@ImageReady", kMrz88}));
}

TEST_F(ReadTest, MissingControlsStartNoRead) {
    controls.imRF.reset();
    read();
    EXPECT_EQ(station.logLines, (Lines{"Reader is not connected"}));
    EXPECT_TRUE(reader.calls.empty());
    EXPECT_EQ(station.errorLabel, u"Error");
}

TEST_F(ReadTest, ReaderFaultOutsideTheChipPassesToTheCaller) {
    layPage(kPassportLine1, kPassportLine2);
    throwAt("PrApi.Recognize", 1);
    EXPECT_THROW(read(), Error);
}

} // namespace
} // namespace readerlink::fake

namespace readerlink::fake {
namespace {

// A chip MRZ file without characters would otherwise be taken as three empty
// lines and delivered as an empty MRZ.
TEST_F(ReadTest, AnEmptyChipMrzLeavesTheMrzToThePage) {
    layPage(specimen::kPassportLine1, specimen::kPassportLine2);
    addChip(u"");
    read();
    const std::string mrz = toUtf8(specimen::kPassportLine1 + specimen::kPassportLine2);
    ASSERT_NE(std::find(station.logLines.begin(), station.logLines.end(), "Chip MRZ is empty"),
              station.logLines.end());
    EXPECT_NE(std::find(station.logLines.begin(), station.logLines.end(), "Not a passport"),
              station.logLines.end());
    EXPECT_EQ(deliveries, (std::vector<std::string>{mrz, "@ImageReady", mrz}));
}

TEST_F(ReadTest, DeliverMrzSendsNothingForABlankText) {
    workflow.DeliverMrz(u" \r\n \r\n");
    EXPECT_TRUE(deliveries.empty());
    EXPECT_EQ(station.logLines, (std::vector<std::string>{"No MRZ to send"}));
}

} // namespace
} // namespace readerlink::fake
