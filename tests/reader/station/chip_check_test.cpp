// The chip source as the station composes it from Settings.ini, on whole reads
// of the virtual reader: the Passive Authentication result is one log line
// after the chip's files, an opt-in text to the target application, and
// otherwise what is delivered does not change.

#include "common/text.h"
#include "station/chip_source.h"
#include "support/temp_dir.h"
#include "virtual_station.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace readerlink::station_test {
namespace {

// A virtual station whose chips come from the composition's choice under
// `settings` (the lines of section VirtualReader).
class ComposedChips {
public:
    explicit ComposedChips(const std::string& settings) {
        std::ofstream(dir_ / "Settings.ini") << "[VirtualReader]\n" << settings;
        StationOptions options;
        options.configureReader = [this](virtualreader::VirtualReaderOptions& reader) {
            station::chooseChipSource(
                reader, station::ProfileFile(dir_ / "Settings.ini"),
                fs::path(READERLINK_SPECIMENS_DIR) / "trust", dir_.path(),
                {[this](const std::u16string& line) {
                     if (station_)
                         station_->window.log(line);
                     else
                         startLog.push_back(toUtf8(line));
                 },
                 [this](const std::u16string& text) { station_->deliver(text); }});
        };
        station_ = std::make_unique<VirtualStation>(options);
        station_->connect();
    }
    VirtualStation& station() { return *station_; }
    std::vector<std::string> startLog;

private:
    testing::TempDir dir_;
    std::unique_ptr<VirtualStation> station_;
};

std::vector<std::string> checkLines(const std::vector<std::string>& log) {
    std::vector<std::string> lines;
    std::copy_if(log.begin(), log.end(), std::back_inserter(lines),
                 [](const std::string& line) { return line.starts_with("Chip data "); });
    return lines;
}

struct ChipCheckCase {
    const char* name;
    const char* specimen;
    const char* trust; // TrustFolder= value
    const char* line;  // the start of the expected log line
};

class ChipCheckTest : public ::testing::TestWithParam<ChipCheckCase> {};

TEST_P(ChipCheckTest, IsLoggedOnceAfterTheChipAndDeliversTheSame) {
    const ChipCheckCase& c = GetParam();
    ComposedChips checked(std::string("TrustFolder=") + c.trust + "\n");
    VirtualStation plain;
    plain.connect();
    checked.station().read(specimenFile(c.specimen));
    plain.read(specimenFile(c.specimen));

    const auto& log = checked.station().log();
    const auto lines = checkLines(log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with(c.line)) << lines[0];
    // After the chip's files were read, before the read ends.
    const auto at = std::find(log.begin(), log.end(), lines[0]);
    EXPECT_NE(std::find(log.begin(), at, "Reading RFID data ..."), at);
    EXPECT_TRUE(checkLines(plain.log()).empty());
    EXPECT_FALSE(plain.deliveries().empty());
    EXPECT_EQ(checked.station().deliveries(), plain.deliveries());
}

INSTANTIATE_TEST_SUITE_P(
    Specimens, ChipCheckTest,
    ::testing::Values(
        ChipCheckCase{"Authentic", "td3-passport-chip.json", READERLINK_SPECIMENS_DIR "/trust",
                      "Chip data authentic (DG1, DG2"},
        ChipCheckCase{"DefaultTrust", "td3-passport-chip.json", "",
                      "Chip data authentic (DG1, DG2"},
        ChipCheckCase{"Tampered", "td3-chip-sod-tampered.json", "", "Chip data not authentic: "},
        ChipCheckCase{"UntrustedSigner", "td3-chip-sod-untrusted.json", "",
                      "Chip data not authentic: the Document Signer is not issued by a trusted"},
        ChipCheckCase{"NothingTrusted", "td3-passport-chip.json", "no-such-folder",
                      "Chip data not checked: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChipSource, StartUpSaysWhereChipsComeFrom) {
    ComposedChips inProcess("");
    ASSERT_EQ(inProcess.startLog.size(), 2u);
    EXPECT_EQ(inProcess.startLog[0], "Chip source: the specimens' own chips");
    EXPECT_EQ(inProcess.startLog[1],
              "Chip trust folder: " + (fs::path(READERLINK_SPECIMENS_DIR) / "trust").string());

    ComposedChips named("ChipReader=Virtual PCD 00 00\nTrustFolder=/etc/csca\nChipCheckToHost=1\n");
    EXPECT_EQ(named.startLog, (std::vector<std::string>{
                                  "Chip source: contactless reader \"Virtual PCD 00 00\"",
                                  "Chip trust folder: /etc/csca (results also sent as text)"}));
    ComposedChips first("ChipReader=*\n");
    EXPECT_EQ(first.startLog.at(0), "Chip source: contactless reader (the first with a card)");
}

TEST(ChipSource, TheResultGoesAsATextOnlyWhenAskedFor) {
    ComposedChips sending("ChipCheckToHost=1\n");
    ComposedChips silent("ChipCheckToHost=0\n");
    sending.station().read(specimenFile("td3-chip-sod-tampered.json"));
    silent.station().read(specimenFile("td3-chip-sod-tampered.json"));

    auto sent = sending.station().deliveries();
    const auto chipCheck = std::find_if(sent.begin(), sent.end(), [](const Delivery& d) {
        return d.text.starts_with("host: @ChipCheck|");
    });
    ASSERT_NE(chipCheck, sent.end());
    EXPECT_TRUE(chipCheck->text.starts_with("host: @ChipCheck|Chip data not authentic: "))
        << chipCheck->text;
    EXPECT_EQ(chipCheck->text,
              "host: " + checkLines(sending.station().log()).at(0).insert(0, "@ChipCheck|"));
    // Once the chip's files are read: before the document's field record.
    ASSERT_NE(chipCheck + 1, sent.end());
    EXPECT_TRUE((chipCheck + 1)->text.starts_with("host: @#")) << (chipCheck + 1)->text;
    sent.erase(chipCheck);
    EXPECT_EQ(sent, silent.station().deliveries());
}

} // namespace
} // namespace readerlink::station_test
