// Rendered pages of every layout and capture flaw, read back to the exact
// lines; pages that hold no MRZ or two documents; decoding of image files.

#include "page_render.h"
#include "reader/ocr/mrz_recognizer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace readerlink::ocr {
namespace {

using Lines = std::vector<std::string>;

const Lines kTd3 = {"P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<",
                    "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52"};
const Lines kTd2 = {"I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "D231458907UTO7408122F1204159<<<<<<<6"};
const Lines kTd1 = {"I<UTOD231458907<<<<<<<<<<<<<<<", "7408122F1204159UTO<<<<<<<<<<<6",
                    "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"};
const Lines kMrvA = {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                     "L8988901C4XXX4009078F96121096ZE184226B<<<<<<"};
const Lines kMrvB = {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<",
                     "L8988901C4XXX4009078F9612109<<<<<<<<"};
// Digits and letters OCR-B draws alike, where only the field tells them apart.
const Lines kLookAlikes = {"P<D<<OBOSZ<<ISABEL<<<<<<<<<<<<<<<<<<<<<<<<<<",
                           "B0S8Z1I209D<<8012056F30010198O1I2Z5S8B0<<<08"};

struct Case {
    const char* name;
    Lines lines;
    int dpi;
    pagerender::Degradations flaws;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

pagerender::Degradations with(auto set) {
    pagerender::Degradations d;
    set(d);
    return d;
}

std::vector<Case> cases() {
    using D = pagerender::Degradations;
    return {
        {"td3_clean", kTd3, 300, {}},
        {"td2_clean", kTd2, 250, {}},
        {"td1_clean", kTd1, 300, {}},
        {"mrva_clean", kMrvA, 250, {}},
        {"mrvb_clean", kMrvB, 250, {}},
        {"look_alikes", kLookAlikes, 300, {}},
        {"td3_150dpi", kTd3, 150, {}},
        {"td3_blur", kTd3, 250, with([](D& d) { d.blur = 1.6; })},
        {"td3_noise", kTd3, 250, with([](D& d) { d.noise = 14; })},
        {"td1_turned_7", kTd1, 300, with([](D& d) { d.rotation = 7; })},
        {"td2_upside_down", kTd2, 250, with([](D& d) { d.rotation = 180; })},
        {"td3_upside_down_tilted", kTd3, 250, with([](D& d) { d.rotation = 183.5; })},
        {"mrvb_quarter_turn", kMrvB, 250, with([](D& d) { d.rotation = 90; })},
        {"mrva_turned_131", kMrvA, 250, with([](D& d) { d.rotation = 131; })},
        {"td3_turned_310", kTd3, 250, with([](D& d) { d.rotation = 310; })},
        {"td3_perspective", kTd3, 250, with([](D& d) { d.perspective = 0.05; })},
        {"td1_uneven_light", kTd1, 300, with([](D& d) { d.unevenLight = 0.5; })},
        {"td3_jpeg", kTd3, 200, with([](D& d) { d.jpegQuality = 35; })},
        {"td2_background", kTd2, 250, with([](D& d) { d.background = true; })},
        {"td3_text_near", kTd3, 250, with([](D& d) { d.nearbyText = true; })},
        {"td3_photo_bleed", kTd3, 250, with([](D& d) { d.photoBleed = true; })},
        {"td1_everything", kTd1, 300, with([](D& d) {
             d.blur = 0.8, d.noise = 6, d.rotation = 196, d.perspective = 0.02, d.unevenLight = 0.3,
             d.jpegQuality = 60, d.background = d.nearbyText = d.photoBleed = true;
         })},
    };
}

class RenderedPage : public testing::TestWithParam<Case> {};

TEST_P(RenderedPage, ReadsTheExactLines) {
    const Case& c = GetParam();
    pagerender::PageOrder order;
    order.mrz = c.lines;
    order.dpi = c.dpi;
    order.degrade = c.flaws;
    const PageReading reading = recogniseMrz(pagerender::renderPage(order));
    EXPECT_EQ(reading.outcome, PageOutcome::Mrz);
    EXPECT_EQ(reading.lines, c.lines);
    EXPECT_TRUE(reading.valid());
    EXPECT_EQ(reading.layout, mrz::detectLayout(c.lines));
}

INSTANTIATE_TEST_SUITE_P(Layouts, RenderedPage, testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MrzRecognizer, ReportsAFailingCheckDigitWithoutMendingIt) {
    // The date of birth's check digit is printed wrong (1 for 9).
    const Lines printed = {"P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<",
                           "X4RTBPFW46UTO8501011M3203156UTO1234567<<<<52"};
    pagerender::PageOrder order;
    order.mrz = printed;
    order.dpi = 250;
    const PageReading reading = recogniseMrz(pagerender::renderPage(order));
    EXPECT_EQ(reading.lines, printed);
    ASSERT_EQ(reading.lineValid.size(), 2u);
    EXPECT_TRUE(reading.lineValid[0]);
    EXPECT_FALSE(reading.lineValid[1]);
    EXPECT_FALSE(reading.valid());
}

TEST(MrzRecognizer, TwoDocumentsOnOnePageAreAnError) {
    pagerender::PageOrder order;
    order.mrz = kTd3;
    order.secondMrz = kTd1;
    order.dpi = 200;
    const PageReading reading = recogniseMrz(pagerender::renderPage(order));
    EXPECT_EQ(reading.outcome, PageOutcome::SeveralDocuments);
    EXPECT_TRUE(reading.lines.empty());
    EXPECT_FALSE(reading.valid());
}

TEST(MrzRecognizer, APageWithoutMrzGivesNoLines) {
    pagerender::PageOrder order; // portrait, headline and data, no MRZ
    order.dpi = 250;
    order.degrade.background = true;
    const PageReading reading = recogniseMrz(pagerender::renderPage(order));
    EXPECT_EQ(reading.outcome, PageOutcome::NoMrz);
    EXPECT_TRUE(reading.lines.empty());
}

TEST(MrzRecognizer, BlankAndTinyPicturesGiveNoLines) {
    for (const auto& [w, h, grey] :
         {std::tuple{800, 600, 255}, std::tuple{800, 600, 0}, std::tuple{3, 2, 128}}) {
        GreyImage image{
            w, h,
            std::vector<std::uint8_t>(static_cast<size_t>(w * h), static_cast<std::uint8_t>(grey))};
        EXPECT_TRUE(recogniseMrz(image).lines.empty()) << w << "x" << h << " grey " << grey;
    }
    EXPECT_TRUE(recogniseMrz(GreyImage{}).lines.empty());
    EXPECT_TRUE(recogniseMrz(GreyImage{100, 100, {}}).lines.empty()); // pixels missing
}

TEST(ImageDecoding, ReadsTheFormatsScannersWrite) {
    pagerender::PageOrder order;
    order.mrz = kTd2;
    order.dpi = 200;
    const GreyImage page = pagerender::renderPage(order);
    const auto folder = std::filesystem::temp_directory_path() /
                        ("readerlink-ocr-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"page.png", "page.jpg", "page.tif"}) {
        const auto path = folder / name;
        ASSERT_TRUE(pagerender::writeImage(page, path.string())) << name;
        const auto decoded = readImageFile(path);
        ASSERT_TRUE(decoded) << name;
        EXPECT_EQ(decoded->width, page.width);
        EXPECT_EQ(recogniseMrz(*decoded).lines, kTd2) << name;
    }
    std::filesystem::remove_all(folder);
}

TEST(ImageDecoding, RefusesWhatIsNoImage) {
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {},
        {'h', 'e', 'l', 'l', 'o'},
        {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'},                // JPEG cut short
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H'}, // PNG cut short
        {'B', 'M', 0, 0, 0, 0}, // a format scanners do not write here
    };
    for (const auto& bytes : inputs)
        EXPECT_FALSE(decodeImage(bytes)) << bytes.size() << " bytes";
    EXPECT_FALSE(readImageFile("/nonexistent/page.png"));
}

} // namespace
} // namespace readerlink::ocr
