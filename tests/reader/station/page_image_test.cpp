// Whole reads of bare page images laid on the virtual reader's glass, as a
// scanner's "scan to folder" leaves them: rendered pages are recognised and
// read by the same workflow as specimens, into the host and the archive.

#include "page_render.h"
#include "reader/ocr/grey_image.h"
#include "reader/virtual/ocr_page_recogniser.h"
#include "reader/virtual/page_portrait.h"
#include "support/temp_dir.h"
#include "virtual_station.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace readerlink::station_test {
namespace {

using Lines = std::vector<std::string>;

const std::string kStevensonLine1 = "P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<";
const std::string kStevensonLine2 = "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52";
const std::string kErikssonLine1 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::string kChecksumLine2 = "L898902C37UTO7408122F1204159ZE184226B<<<<<10";
const std::string kClock = "44237.4725347222"; // the fixed clock's name
const std::string kStevensonRecord =
    "@#P#UTO#STEVENSON#PETER JOHN#X4RTBPFW4#UTO#850101#M#320315#UTO1234567#";

struct PageCase {
    std::string name;
    std::string file; // on the glass; the extension picks the format
    pagerender::PageOrder page;
    Lines deliveries; // "<attempt> host: text"
    Lines files;      // in the archive
    std::string statusBar = "Ready to capture ...";
    std::string logLine; // a line the laying or the read must log, when not empty
    friend void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }
};

pagerender::PageOrder pageOf(Lines mrz, double rotation = 0, int jpegQuality = 0) {
    pagerender::PageOrder order;
    order.mrz = std::move(mrz);
    order.degrade.blur = 0.6;
    order.degrade.noise = 3;
    order.degrade.rotation = rotation;
    order.degrade.jpegQuality = jpegQuality;
    return order;
}

const Lines kStevensonDeliveries = {"1 host: " + kStevensonRecord,
                                    "1 host: " + kStevensonLine1 + kStevensonLine2,
                                    "1 host: @ImageReady"};
const Lines kStevensonFiles = {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg",
                               "X4RTBPFW4.jpg"};

std::vector<PageCase> pageCases() {
    std::vector<PageCase> cases;
    cases.push_back({"Passport", "scan.png", pageOf({kStevensonLine1, kStevensonLine2}),
                     kStevensonDeliveries, kStevensonFiles, "Ready to capture ...", ""});
    cases.push_back({"PassportUpsideDownInJpeg", "scan.jpg",
                     pageOf({kStevensonLine1, kStevensonLine2}, 181.5, 85), kStevensonDeliveries,
                     kStevensonFiles, "Ready to capture ...", ""});
    cases.push_back({"PassportTurnedAQuarter", "scan.png",
                     pageOf({kStevensonLine1, kStevensonLine2}, 90), kStevensonDeliveries,
                     kStevensonFiles, "Ready to capture ...", ""});
    // A check digit that does not hold is the checksum path, never a clean read.
    cases.push_back({"CheckDigitFails",
                     "scan.png",
                     pageOf({kErikssonLine1, kChecksumLine2}),
                     {"1 host: @ImageCaptured|{P}/Others/" + kClock + ".jpg",
                      "1 host: " + kErikssonLine1 + kChecksumLine2},
                     {"Others/" + kClock + ".jpg"},
                     "Error CHECKSUM MRZ2",
                     ""});
    {
        // A card's MRZ side shows no portrait: the page is archived, but no
        // "@ImageReady" follows, as for any document without one.
        const std::string l1 = "I<UTOD231458907<<<<<<<<<<<<<<<",
                          l2 = "7408122F1204159UTO<<<<<<<<<<<6",
                          l3 = "ERIKSSON<<ANNA<MARIA<<<<<<<<<<";
        cases.push_back({"IdCardTd1",
                         "card.tif",
                         pageOf({l1, l2, l3}),
                         {"1 host: @#I#UTO#ERIKSSON#ANNA MARIA#D23145890#UTO#740812#F#120415##",
                          "1 host: " + l1 + l2 + l3},
                         {"Others/" + kClock + ".jpg"},
                         "Ready to capture ...",
                         "No Passport"});
    }
    cases.push_back({"NoMrz",
                     "scan.png",
                     pageOf({}),
                     {},
                     {},
                     "Ready to capture ...",
                     "Read stopped: still no MRZ after attempt 6"});
    {
        PageCase two{"TwoDocuments",
                     "two.png",
                     pageOf({kStevensonLine1, kStevensonLine2}),
                     {},
                     {},
                     "Ready to capture ...",
                     "Virtual reader: more than one document on the page: two.png"};
        two.page.secondMrz = {kErikssonLine1, kChecksumLine2};
        cases.push_back(two);
    }
    return cases;
}

std::string withFolder(std::string line, const std::string& folder) {
    if (const auto at = line.find("{P}"); at != std::string::npos)
        line.replace(at, 3, folder);
    return line;
}

Lines described(const std::vector<Delivery>& deliveries) {
    Lines out;
    for (const auto& d : deliveries)
        out.push_back(std::to_string(d.attempt) + " " + d.text);
    return out;
}

class PageImageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageImageTest, IsReadLikeASpecimen) {
    const PageCase& c = GetParam();
    readerlink::testing::TempDir scans;
    ASSERT_TRUE(pagerender::writeImage(pagerender::renderPage(c.page), (scans / c.file).string()));

    StationOptions options;
    options.pageRecogniser = virtualreader::ocrPageRecogniser();
    VirtualStation station(options);
    station.connect();
    station.lay(scans / c.file);
    Lines log = station.log(); // what the reader said of the page as it landed
    station.settle();
    const std::string P = station.pictureFolder();

    Lines deliveries;
    for (const auto& d : c.deliveries)
        deliveries.push_back(withFolder(d, P));
    EXPECT_EQ(described(station.deliveries()), deliveries);
    EXPECT_EQ(station.archiveFiles(), c.files);
    EXPECT_EQ(station.window.messages, Lines{}) << "nothing escapes the read";
    EXPECT_EQ(toUtf8(station.window.statusBar), c.statusBar);
    if (!c.logLine.empty()) {
        log.insert(log.end(), station.log().begin(), station.log().end());
        EXPECT_NE(std::find(log.begin(), log.end(), c.logLine), log.end()) << c.logLine;
    }

    const bool portrait =
        std::find(c.files.begin(), c.files.end(), "X4RTBPFW4.jpg") != c.files.end();
    if (portrait) {
        EXPECT_EQ(station.converterLaunches(), Lines{P + "/X4RTBPFW4.jpg"});
        // The cut holds the rendered portrait (a mid-grey ground with a dark
        // face), not the paper or print around it.
        const auto cut = ocr::readImageFile(fs::path(P) / "X4RTBPFW4.jpg");
        ASSERT_TRUE(cut);
        long long sum = 0;
        for (auto v : cut->pixels)
            sum += v;
        const double mean = static_cast<double>(sum) / static_cast<double>(cut->pixels.size());
        EXPECT_LT(mean, 200) << "portrait cut from the paper";
        EXPECT_GT(cut->height, cut->width) << "portrait upright";
    } else {
        EXPECT_EQ(station.converterLaunches(), Lines{});
    }
}

INSTANTIATE_TEST_SUITE_P(RenderedPages, PageImageTest, ::testing::ValuesIn(pageCases()),
                         [](const auto& info) { return info.param.name; });

double meanGrey(const sdk::RgbImage& image) {
    long long sum = 0;
    for (auto v : image.rgb)
        sum += v;
    return static_cast<double>(sum) / static_cast<double>(image.rgb.size());
}

// Where each layout keeps its portrait, whichever way the page lay.
TEST(PageImage, PortraitIsCutWhereTheLayoutPutsIt) {
    readerlink::testing::TempDir scans;
    std::mt19937 random(7);
    const auto recognise = virtualreader::ocrPageRecogniser();
    for (const auto layout : {mrz::Layout::TD1, mrz::Layout::TD2, mrz::Layout::TD3,
                              mrz::Layout::MRVA, mrz::Layout::MRVB})
        for (const double rotation : {-4.0, 180.0, 270.0}) {
            const auto page = pageOf(pagerender::randomMrz(layout, random), rotation);
            const auto file = scans / "page.png";
            ASSERT_TRUE(pagerender::writeImage(pagerender::renderPage(page), file.string()));
            const auto scan = recognise(file);
            ASSERT_TRUE(scan);
            SCOPED_TRACE(page.mrz.front() + " turned " + std::to_string(rotation));
            ASSERT_EQ(scan->lines, page.mrz);
            const auto portrait = virtualreader::portraitOfPage(*scan, layout);
            if (layout == mrz::Layout::TD1) {
                EXPECT_FALSE(portrait) << "the MRZ side of a card has no portrait";
                continue;
            }
            ASSERT_TRUE(portrait);
            EXPECT_GT(portrait->height, portrait->width);
            EXPECT_LT(meanGrey(*portrait), 200) << "cut from the paper";
        }
}

TEST(PageImage, WithoutARecogniserIsIgnoredWithADiagnostic) {
    readerlink::testing::TempDir scans;
    ASSERT_TRUE(
        pagerender::writeImage(pagerender::renderPage(pageOf({kStevensonLine1, kStevensonLine2})),
                               (scans / "scan.png").string()));
    VirtualStation station;
    station.connect();
    station.lay(scans / "scan.png");
    const Lines log = station.log();
    EXPECT_NE(
        std::find(log.begin(), log.end(),
                  "Virtual reader: page image ignored, this build reads no page images: scan.png"),
        log.end());
    EXPECT_EQ(station.deliveries(), std::vector<Delivery>{});
}

TEST(PageImage, AnUndecodablePictureIsIgnoredWithADiagnostic) {
    readerlink::testing::TempDir scans;
    {
        std::ofstream half(scans / "scan.jpg", std::ios::binary);
        half << "\xFF\xD8\xFF\xE0 not the rest of a JPEG";
    }
    StationOptions options;
    options.pageRecogniser = virtualreader::ocrPageRecogniser();
    VirtualStation station(options);
    station.connect();
    station.lay(scans / "scan.jpg");
    const Lines log = station.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "Virtual reader: page image unreadable: scan.jpg"),
              log.end());
}

} // namespace
} // namespace readerlink::station_test
