// Whole reads on the virtual reader with its real chip, from the document
// settling on the glass (status 4) to the last delivery: what the target
// application receives, every log line, and the files in the archive.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

#include "virtual_station.h"

namespace readerlink::station_test {
namespace {

using Lines = std::vector<std::string>;

// The ICAO specimens the shipped files carry.
const std::string kErikssonLine1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::string kErikssonLine2 = "L898902C36UTO7408122F1204159ZE184226B<<<<<10";
const std::string kEriksson = kErikssonLine1 + kErikssonLine2;
const std::string kStevensonLine1 = "P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<";
const std::string kStevensonLine2 = "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52";
const std::string kStevenson = kStevensonLine1 + kStevensonLine2;
const std::string kChecksumLine2 = "L898902C37UTO7408122F1204159ZE184226B<<<<<10";
const std::string kVisaLine1 = "V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::string kVisaLine2 = "L8988901C4XXX4009078F96121096ZE184226B<<<<<<";
const std::string kClock = "44237.4725347222"; // the fixed clock's name

const Lines kErikssonFields = {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "UTO",
                               "740812", "F", "120415", "ZE184226B", ""};
const Lines kStevensonFields = {"P", "UTO", "STEVENSON", "PETER JOHN", "X4RTBPFW4", "UTO",
                                "850101", "M", "320315", "UTO1234567", ""};

std::string recordOf(const Lines& fields) {
    std::string record = "@";
    for (const auto& f : fields)
        record += "#" + f;
    return record;
}

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the reader events log while the page is captured.
const Lines kCapture = {"<Capture>", "", "Image captured: param1 = 1, param2 = 0",
                        "Image captured: param1 = 2, param2 = 0", "Page captured: param1 = 0, param2 = 3"};

// Status bar line, field dump and the field record, as a clean read logs them.
Lines fieldDump(const Lines& fields, bool host = true) {
    Lines lines = {"Ready to capture ..."};
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (!fields[k].empty())
            lines.push_back("Field (" + std::to_string(k + 1) + "): " + fields[k] + "\t[Ok]");
    // A record of nothing but empty fields is logged as not sent.
    const bool empty = std::all_of(fields.begin(), fields.end(), [](const auto& f) { return f.empty(); });
    lines = lines + Lines{empty ? "No field read: field record not sent" : recordOf(fields), "", "Done."};
    if (host && !empty)
        lines.push_back("Data sent " + recordOf(fields));
    return lines;
}

Lines pageMrz(const std::string& line1, const std::string& line2, const std::string& status2 = "Ok") {
    return {"Line 1: " + line1 + "\t[Ok]", "Line 2: " + line2 + "\t[" + status2 + "]",
            "MRZ is : " + line1 + "\r\n" + line2 + "\r\n"};
}

// The chip section up to the page MRZ's delivery.
Lines chipOpening(const std::string& firstReadError, bool protectedChip, bool host = true) {
    Lines lines = {"Get RFID", "Reading RFID data ..."};
    lines.push_back(firstReadError);
    lines.push_back(protectedChip ? "Making BAC ..." : "Trying BAC ...");
    lines = lines + kCapture;
    if (host)
        lines.push_back("Data sent " + kEriksson);
    return lines;
}

const std::string kLocked = "Error (0000000D): Security status not satisfied";

// The chip's MRZ and face handled; the chip portrait saved.
Lines chipFace(bool host = true) {
    Lines lines = {kErikssonLine1 + "\r\n" + kErikssonLine2, "Is a Passport", "874:Image Saved {P}/L898902C3.jpg"};
    if (host)
        lines.push_back("Data sent @ImageReady");
    return lines;
}

Lines mrzDone(const std::string& mrz, bool host = true) {
    Lines lines;
    if (host)
        lines.push_back("Data sent " + mrz);
    return lines + Lines{"", "MRZ Done."};
}

struct ReadCase {
    std::string name;
    std::string specimen;
    int application;
    Lines log;
    Lines deliveries; // "<attempt> host: text" or "<attempt> keys: text"
    Lines files;
    Lines converter; // launches, path relative to the picture folder
    std::string statusBar = "Ready to capture ...";
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

const Lines kErikssonChipFiles = {"L898902C3.jpg", "Passport/UTO-L898902C3.jpg", "Passport/UTO-L898902C3IN.jpg"};

ReadCase chipCase(const std::string& name, const std::string& specimen) {
    return {name,
            specimen,
            kOrlam,
            chipOpening(kLocked, true) + chipFace() + fieldDump(kErikssonFields) +
                Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson),
            {"1 host: " + kEriksson, "1 host: @ImageReady", "1 host: " + recordOf(kErikssonFields),
             "1 host: " + kEriksson},
            kErikssonChipFiles,
            {}};
}

ReadCase statusCase(int status, const std::string& text) {
    return {"Forced" + std::to_string(status),
            "forced-" + std::string(status < 200 ? "warning-" : "error-") + std::to_string(status) + ".json",
            kOrlam,
            Lines{"Get RFID"} + kCapture + Lines{text},
            {},
            {"Others/" + kClock + ".jpg"},
            {},
            text};
}

Lines noMrzAttempt(int attempt) {
    (void)attempt;
    return Lines{"Get RFID"} + kCapture + fieldDump(Lines(11, "")) + Lines{"No MRZ found!"};
}

std::vector<ReadCase> readCases() {
    std::vector<ReadCase> cases;
    cases.push_back({"PassportWithoutChip", "td3-passport.json", kOrlam,
                     Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields) +
                         pageMrz(kStevensonLine1, kStevensonLine2) +
                         Lines{"Is a Passport", "Save to {P}/Passport/UTO-X4RTBPFW4.jpg"} + mrzDone(kStevenson) +
                         Lines{"805:X4RTBPFW4", "Data sent @ImageReady"},
                     {"1 host: " + recordOf(kStevensonFields), "1 host: " + kStevenson, "1 host: @ImageReady"},
                     {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg", "X4RTBPFW4.jpg"},
                     {"X4RTBPFW4.jpg"}});
    // Page MRZ before BAC, the chip's MRZ and face, no page portrait.
    cases.push_back(chipCase("PassportWithChip", "td3-passport-chip.json"));
    cases.push_back(chipCase("ChipFaceInJpeg2000", "td3-chip-jpeg2000-face.json"));
    {
        // The first read of file 0 succeeds: "Trying BAC ...".
        ReadCase open = chipCase("OpenChip", "td3-chip-open.json");
        open.log = chipOpening("Error (00000000): No error", false) + chipFace() + fieldDump(kErikssonFields) +
                   Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson);
        cases.push_back(open);
    }
    cases.push_back({"BacFails", "td3-chip-bac-mismatch.json", kOrlam,
                     chipOpening(kLocked, true) +
                         Lines{"Error (0000000C): Basic Access Control failed", "Error (0000000F): Field not present"} +
                         fieldDump(kErikssonFields) + pageMrz(kErikssonLine1, kErikssonLine2) +
                         Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson) +
                         Lines{"805:L898902C3", "Data sent @ImageReady"},
                     {"1 host: " + kEriksson, "1 host: " + recordOf(kErikssonFields), "1 host: " + kEriksson,
                      "1 host: @ImageReady"},
                     kErikssonChipFiles,
                     {"L898902C3.jpg"}});
    cases.push_back({"ChipWithFaceOnly", "td3-chip-face-only.json", kOrlam,
                     chipOpening(kLocked, true) + Lines{"", "Not a passport", "Data sent @ImageReady"} +
                         fieldDump(kErikssonFields) + pageMrz(kErikssonLine1, kErikssonLine2) +
                         Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson),
                     {"1 host: " + kEriksson, "1 host: @ImageReady", "1 host: " + recordOf(kErikssonFields),
                      "1 host: " + kEriksson},
                     {"Passport/UTO-L898902C3.jpg", "Passport/UTO-L898902C3IN.jpg"},
                     {}});
    {
        ReadCase throws = chipCase("FirstChipReadThrows", "td3-chip-read-throws.json");
        throws.log = Lines{"Get RFID", "Reading RFID data ...", "Forced fault in GetRfidFileB", "Capture 1",
                           "Error (00000012): Forced fault in GetRfidFileB", "Trying BAC ..."} +
                     kCapture + Lines{"Data sent " + kEriksson} + chipFace() + fieldDump(kErikssonFields) +
                     Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson);
        cases.push_back(throws);
    }
    cases.push_back({"Checksum203", "td3-checksum-error.json", kOrlam,
                     Lines{"Get RFID"} + kCapture + Lines{"Error CHECKSUM MRZ2"} +
                         pageMrz(kErikssonLine1, kChecksumLine2, "Error") +
                         Lines{"Data sent @ImageCaptured|{P}/Others/" + kClock + ".jpg", "Capture notification sent"} +
                         mrzDone(kErikssonLine1 + kChecksumLine2),
                     {"1 host: @ImageCaptured|{P}/Others/" + kClock + ".jpg",
                      "1 host: " + kErikssonLine1 + kChecksumLine2},
                     {"Others/" + kClock + ".jpg"},
                     {},
                     "Error CHECKSUM MRZ2"});
    cases.push_back(statusCase(100, "Warning MRZ2"));
    cases.push_back(statusCase(101, "Warning DATA INTEGRITY MRZ2"));
    cases.push_back(statusCase(102, "Warning OCR MRZ2"));
    cases.push_back(statusCase(200, "Error MRZ2"));
    cases.push_back(statusCase(201, "Error ILLEGAL_CHAR MRZ2"));
    cases.push_back(statusCase(202, "Error ILLEGAL CHECKSUM MRZ2"));
    cases.push_back({"IllegalCharacterOnThePage", "td3-illegal-char.json", kOrlam,
                     Lines{"Get RFID"} + kCapture + Lines{"Error ILLEGAL_CHAR MRZ2"},
                     {},
                     {"Others/" + kClock + ".jpg"},
                     {},
                     "Error ILLEGAL_CHAR MRZ2"});
    cases.push_back({"Status150", "forced-status-150.json", kOrlam, Lines{"Get RFID"} + kCapture, {}, {}, {}});
    {
        // Never an MRZ: a bounded number of passes, each with a new capture.
        ReadCase none{"NoMrzRestartsBounded", "no-mrz.json", kOrlam, {}, {}, {}, {}};
        for (int attempt = 1; attempt <= 6; ++attempt)
            none.log = none.log + noMrzAttempt(attempt);
        none.log.push_back("Read stopped: still no MRZ after attempt 6");
        cases.push_back(none);
    }
    {
        // The MRZ turns up at the third capture.
        const Lines tryAgain = Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields) + Lines{"No MRZ found!"};
        cases.push_back({"MrzFoundAtTheThirdCapture", "mrz-unreadable-twice.json", kOrlam,
                         tryAgain + tryAgain + Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields) +
                             pageMrz(kStevensonLine1, kStevensonLine2) +
                             Lines{"Is a Passport", "Save to {P}/Passport/UTO-X4RTBPFW4.jpg"} +
                             mrzDone(kStevenson) + Lines{"805:X4RTBPFW4", "Data sent @ImageReady"},
                         {"1 host: " + recordOf(kStevensonFields), "2 host: " + recordOf(kStevensonFields),
                          "3 host: " + recordOf(kStevensonFields), "3 host: " + kStevenson, "3 host: @ImageReady"},
                         {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg", "X4RTBPFW4.jpg"},
                         {"X4RTBPFW4.jpg"}});
    }
    {
        const Lines visaFields = {"V", "UTO", "ERIKSSON", "ANNA MARIA", "L8988901C", "XXX",
                                  "400907", "F", "961210", "6ZE184226B", ""};
        cases.push_back({"VisaMrvA", "mrva-visa.json", kOrlam,
                         Lines{"Get RFID"} + kCapture + fieldDump(visaFields) + pageMrz(kVisaLine1, kVisaLine2) +
                             Lines{"Is a Visa"} + mrzDone(kVisaLine1 + kVisaLine2) +
                             Lines{"807:List < 1", "Data sent @ImageReady"},
                         {"1 host: " + recordOf(visaFields), "1 host: " + kVisaLine1 + kVisaLine2,
                          "1 host: @ImageReady"},
                         {"Visas/L8988901C-6ZE184226B.jpg", "Visas/L8988901C-6ZE184226BIN.jpg"},
                         {}});
    }
    {
        const Lines fields = {"I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "UTO", "740812", "F", "120415", "", ""};
        const std::string l1 = "I<UTOD231458907<<<<<<<<<<<<<<<", l2 = "7408122F1204159UTO<<<<<<<<<<<6",
                          l3 = "ERIKSSON<<ANNA<MARIA<<<<<<<<<<";
        cases.push_back({"IdCardTd1", "td1-id-card.json", kOrlam,
                         Lines{"Get RFID"} + kCapture + fieldDump(fields) +
                             Lines{"Line 1: " + l1 + "\t[Ok]", "Line 2: " + l2 + "\t[Ok]", "Line 3: " + l3 + "\t[Ok]",
                                   "MRZ is : " + l1 + "\r\n" + l2 + "\r\n" + l3} +
                             mrzDone(l1 + l2 + l3) + Lines{"807:List < 1", "Data sent @ImageReady"},
                         {"1 host: " + recordOf(fields), "1 host: " + l1 + l2 + l3, "1 host: @ImageReady"},
                         {"Others/" + kClock + ".jpg"},
                         {}});
    }
    // "Direct": only the MRZ is typed; no "@ImageReady" is made, and neither
    // the field record nor "@ImageCaptured|" is typed.
    cases.push_back({"DirectWithoutChip", "td3-passport.json", kDirect,
                     Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields, false) +
                         pageMrz(kStevensonLine1, kStevensonLine2) +
                         Lines{"Is a Passport", "Save to {P}/Passport/UTO-X4RTBPFW4.jpg"} + mrzDone(kStevenson, false) +
                         Lines{"805:X4RTBPFW4"},
                     {"1 keys: " + kStevenson + "{ENTER}"},
                     {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg", "X4RTBPFW4.jpg"},
                     {"X4RTBPFW4.jpg"}});
    cases.push_back({"DirectWithChip", "td3-passport-chip.json", kDirect,
                     chipOpening(kLocked, true, false) + chipFace(false) + fieldDump(kErikssonFields, false) +
                         Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson, false),
                     {"1 keys: " + kEriksson + "{ENTER}", "1 keys: " + kEriksson + "{ENTER}"},
                     kErikssonChipFiles,
                     {}});
    cases.push_back({"DirectChecksum203", "td3-checksum-error.json", kDirect,
                     Lines{"Get RFID"} + kCapture + Lines{"Error CHECKSUM MRZ2"} +
                         pageMrz(kErikssonLine1, kChecksumLine2, "Error") + Lines{"Capture notification sent"} +
                         mrzDone("", false),
                     {"1 keys: " + kErikssonLine1 + kChecksumLine2 + "{ENTER}"},
                     {"Others/" + kClock + ".jpg"},
                     {},
                     "Error CHECKSUM MRZ2"});
    return cases;
}

std::string withFolder(std::string text, const std::string& folder) {
    for (auto at = text.find("{P}"); at != std::string::npos; at = text.find("{P}", at + folder.size()))
        text.replace(at, 3, folder);
    return text;
}

Lines withFolder(Lines lines, const std::string& folder) {
    for (auto& line : lines)
        line = withFolder(line, folder);
    return lines;
}

Lines described(const std::vector<Delivery>& deliveries) {
    Lines lines;
    for (const auto& d : deliveries)
        lines.push_back(std::to_string(d.attempt) + " " + d.text);
    return lines;
}

class ReadPassTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadPassTest, DeliversLogsAndArchivesExactly) {
    const ReadCase& c = GetParam();
    StationOptions options;
    options.application = c.application;
    VirtualStation station(options);
    station.connect();
    station.read(specimenFile(c.specimen));
    const std::string P = station.pictureFolder();

    EXPECT_EQ(station.log(), withFolder(c.log, P));
    EXPECT_EQ(described(station.deliveries()), withFolder(c.deliveries, P));
    EXPECT_EQ(station.archiveFiles(), c.files);
    EXPECT_EQ(station.window.messages, Lines{}) << "nothing escapes the read";
    EXPECT_EQ(toUtf8(station.window.statusBar), c.statusBar);

    Lines launched;
    for (const auto& f : c.converter)
        launched.push_back(P + "/" + f);
    EXPECT_EQ(station.converterLaunches(), launched);
    if (!launched.empty()) {
        // The converter really ran, once, with the portrait's path, in the
        // program's folder.
        const Lines runs = station.converterRuns(1);
        EXPECT_EQ(runs, Lines{launched[0] + "|" + (station.root() / "program").string()});
    }
}

INSTANTIATE_TEST_SUITE_P(Specimens, ReadPassTest, ::testing::ValuesIn(readCases()),
                         [](const auto& info) { return info.param.name; });

bool isJpeg(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char head[3] = {};
    in.read(reinterpret_cast<char*>(head), 3);
    return in && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

TEST(ReadPass, EveryArchivedImageIsAJpegAndNoTemporaryFileIsLeft) {
    for (const char* specimen : {"td3-chip-jpeg2000-face.json", "td3-passport.json", "mrva-visa.json"}) {
        VirtualStation station;
        station.connect();
        station.read(specimenFile(specimen));
        const auto files = station.archiveFiles();
        ASSERT_FALSE(files.empty()) << specimen;
        for (const auto& f : files) {
            EXPECT_TRUE(isJpeg(fs::path(station.pictureFolder()) / f)) << specimen << ": " << f;
            EXPECT_EQ(f.substr(f.size() - 4), ".jpg") << specimen << ": " << f;
        }
    }
}

TEST(ReadPass, WithNothingOnTheGlassNoDataIsFound) {
    VirtualStation station;
    station.connect();
    station.readAgain();
    EXPECT_EQ(station.log(), Lines{"Get RFID"} + kCapture + Lines{"No data found!"});
    EXPECT_TRUE(station.deliveries().empty());
    EXPECT_TRUE(station.archiveFiles().empty());
}

TEST(ReadPass, ABlankMrzLineRetriesBoundedAndSendsNoEmptyFieldRecord) {
    VirtualStation station;
    station.connect();
    const auto specimen = station.root() / "blank-line.json";
    std::ofstream(specimen) << R"({"mrz": [")" << kStevensonLine1
                            << R"(", "    "], "forced": {"fieldStatus": {"1002": 0}}})";
    station.read(specimen);
    // Lines that fit no layout give no fields; only the forced status makes
    // the read clean.
    const Lines fields(11, "");
    Lines attempt = Lines{"Get RFID"} + kCapture + fieldDump(fields) +
                    Lines{"Line 1: " + kStevensonLine1 + "\t[Error]", "Line 2:     \t[Ok]", "Retry read"};
    Lines expected;
    for (int i = 0; i < 6; ++i)
        expected = expected + attempt;
    expected.push_back("Read stopped: still no MRZ after attempt 6");
    EXPECT_EQ(station.log(), expected);
    EXPECT_TRUE(station.deliveries().empty());
}

// The page MRZ the chip section reads first is not there: nothing goes out
// ahead of the chip (no empty MRZ), BAC fails, and the read goes on with the
// page.
TEST(ReadPass, APageMrzMissingBeforeBacIsNotDelivered) {
    VirtualStation station;
    station.connect();
    const auto specimen = station.root() / "chip-mrz-late.json";
    std::ofstream(specimen) << R"({"mrz": [")" << kErikssonLine1 << R"(", ")" << kErikssonLine2 << R"("],
        "pages": {"white": "images/td3-passport-chip-white.jpg", "infra": "images/td3-passport-chip-infra.jpg"},
        "portrait": {"x": 24, "y": 84, "width": 150, "height": 190},
        "chip": {"face": "images/td3-passport-chip-face.jpg"},
        "forced": {"mrzUnreadableCalls": 1}})";
    station.read(specimen);
    const Lines expected =
        Lines{"Get RFID", "Reading RFID data ...", kLocked, "Making BAC ..."} + kCapture +
        Lines{"Page MRZ not read: Error (00000005): No MRZ found",
              "Error (0000000C): Basic Access Control failed: the lines hold no MRZ",
              "Error (00000004): No document"} +
        fieldDump(kErikssonFields) + pageMrz(kErikssonLine1, kErikssonLine2) +
        Lines{"Is a Passport", "Save to {P}/Passport/UTO-L898902C3.jpg"} + mrzDone(kEriksson) +
        Lines{"805:L898902C3", "Data sent @ImageReady"};
    EXPECT_EQ(station.log(), withFolder(expected, station.pictureFolder()));
    EXPECT_EQ(described(station.deliveries()),
              (Lines{"1 host: " + recordOf(kErikssonFields), "1 host: " + kEriksson, "1 host: @ImageReady"}));
}

TEST(ReadPass, AnExistingPortraitIsKeptAndTheConverterNotStartedAgain) {
    VirtualStation station;
    station.connect();
    station.read(specimenFile("td3-passport.json"));
    ASSERT_EQ(station.converterLaunches().size(), 1u);
    const auto portrait = fs::path(station.pictureFolder()) / "X4RTBPFW4.jpg";
    const auto written = fs::last_write_time(portrait);

    station.readAgain();
    EXPECT_EQ(Lines(station.log().end() - 2, station.log().end()),
              (Lines{"805:X4RTBPFW4", "Data sent @ImageReady"}));
    EXPECT_EQ(station.converterLaunches().size(), 1u);
    EXPECT_EQ(fs::last_write_time(portrait), written);
    EXPECT_EQ(described(station.deliveries()),
              (Lines{"1 host: " + recordOf(kStevensonFields), "1 host: " + kStevenson, "1 host: @ImageReady"}));
}

TEST(ReadPass, AMissingPictureFolderIsReportedAndTheTextsStillGo) {
    VirtualStation station;
    station.connect();
    const std::string missing = (station.root() / "no-such-folder").string();
    station.setPictureFolder(missing);
    station.read(specimenFile("td3-passport.json"));
    const Lines expected = Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields) +
                           pageMrz(kStevensonLine1, kStevensonLine2) +
                           Lines{"Is a Passport", "Folder is not exist to save passport"} + mrzDone(kStevenson) +
                           Lines{"", "Photo path is not valid."};
    EXPECT_EQ(station.log(), expected);
    EXPECT_EQ(described(station.deliveries()),
              (Lines{"1 host: " + recordOf(kStevensonFields), "1 host: " + kStevenson}));
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(station.converterLaunches().empty());
}

// Files left by an unfinished crash-safe write: ".<name>.<pid>.<n>.tmp".
Lines temporariesUnder(const fs::path& folder) {
    Lines found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 5 && name.front() == '.' && name.ends_with(".tmp"))
            found.push_back(fs::relative(entry.path(), folder).string());
    }
    return found;
}

// Writes into the archive fail: the read logs each image it could not keep
// and still delivers all its texts.
void expectUnwritableArchiveReported(VirtualStation& station, const Lines& notSaved) {
    station.read(specimenFile("td3-passport.json"));
    const std::string P = station.pictureFolder();
    Lines expected = Lines{"Get RFID"} + kCapture + fieldDump(kStevensonFields) +
                     pageMrz(kStevensonLine1, kStevensonLine2) +
                     Lines{"Is a Passport", "Save to {P}/Passport/UTO-X4RTBPFW4.jpg"};
    for (const auto& file : notSaved)
        if (file.find("Passport/") == 0)
            expected.push_back("Image not saved {P}/" + file);
    expected = expected + mrzDone(kStevenson) + Lines{"805:X4RTBPFW4"};
    for (const auto& file : notSaved)
        if (file.find("Passport/") != 0)
            expected.push_back("Image not saved {P}/" + file);
    expected.push_back("Data sent @ImageReady");
    EXPECT_EQ(station.log(), withFolder(expected, P));
    EXPECT_EQ(described(station.deliveries()), (Lines{"1 host: " + recordOf(kStevensonFields),
                                                      "1 host: " + kStevenson, "1 host: @ImageReady"}));
    const bool portraitSaved = std::find(notSaved.begin(), notSaved.end(), "X4RTBPFW4.jpg") == notSaved.end();
    EXPECT_EQ(station.converterLaunches().size(), portraitSaved ? 1u : 0u) << "the converter only on a portrait";
    EXPECT_EQ(temporariesUnder(P), Lines{});
}

TEST(ReadPass, AReadOnlyArchiveIsReportedAndTheTextsStillGo) {
    VirtualStation station;
    station.connect();
    const fs::path P = station.pictureFolder();
    fs::create_directory(P / "Passport");
    fs::permissions(P, fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(P / "Passport", fs::perms::owner_read | fs::perms::owner_exec);
    // Only root writes into a read-only folder; the next test forces the
    // failure another way.
    if (::access((P / "Passport").c_str(), W_OK) == 0) {
        fs::permissions(P, fs::perms::owner_all);
        GTEST_SKIP() << "running as root: a read-only folder does not stop writes";
    }
    expectUnwritableArchiveReported(
        station, {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg", "X4RTBPFW4.jpg"});
    fs::permissions(P / "Passport", fs::perms::owner_all);
}

TEST(ReadPass, AnArchiveWhoseFilesCannotBeReplacedIsReportedAndTheTextsStillGo) {
    VirtualStation station;
    station.connect();
    const fs::path P = station.pictureFolder();
    // Folders where the images belong: the rename onto them fails, as a
    // write onto a full disk would, even for root.
    for (const char* in_the_way : {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg"})
        fs::create_directories(P / in_the_way);
    expectUnwritableArchiveReported(station, {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg"});
}

} // namespace
} // namespace readerlink::station_test
