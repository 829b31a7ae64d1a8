// Passive Authentication on a whole read: the result is one log line after the
// chip's files, and what the target application gets does not change.

#include "common/text.h"
#include "reader/virtual/chip_card.h"
#include "virtual_station.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace readerlink::station_test {
namespace {

struct ChipCheckCase {
    const char* name;
    const char* specimen;
    bool trusting;    // the shipped test CSCA, else nothing
    const char* line; // the start of the expected log line
};

class ChipCheckTest : public ::testing::TestWithParam<ChipCheckCase> {};

std::vector<std::string> checkLines(const std::vector<std::string>& log) {
    std::vector<std::string> lines;
    std::copy_if(log.begin(), log.end(), std::back_inserter(lines),
                 [](const std::string& line) { return line.starts_with("Chip data "); });
    return lines;
}

TEST_P(ChipCheckTest, IsLoggedOnceAndDeliversTheSame) {
    const ChipCheckCase& c = GetParam();
    StationOptions checking;
    std::vector<std::string> reported;
    const fs::path trust = c.trusting ? fs::path(READERLINK_SPECIMENS_DIR) / "trust" : fs::path();
    checking.configureReader = [&](virtualreader::VirtualReaderOptions& options) {
        options.chipCardFactory = virtualreader::emrtdChipCardFactory(
            {trust, [&reported](const std::string& line) { reported.push_back(line); }});
    };
    VirtualStation checked(checking);
    VirtualStation plain;
    checked.connect();
    plain.connect();
    checked.read(specimenFile(c.specimen));
    plain.read(specimenFile(c.specimen));

    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(reported[0].starts_with(c.line)) << reported[0];
    EXPECT_TRUE(checkLines(plain.log()).empty());
    EXPECT_EQ(checked.deliveries(), plain.deliveries());
    EXPECT_FALSE(checked.deliveries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Specimens, ChipCheckTest,
    ::testing::Values(
        ChipCheckCase{"Authentic", "td3-passport-chip.json", true, "Chip data authentic (DG1, DG2"},
        ChipCheckCase{"Tampered", "td3-chip-sod-tampered.json", true, "Chip data not authentic: "},
        ChipCheckCase{"UntrustedSigner", "td3-chip-sod-untrusted.json", true,
                      "Chip data not authentic: the Document Signer is not issued by a trusted"},
        ChipCheckCase{"NothingTrusted", "td3-passport-chip.json", false,
                      "Chip data not checked: "}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace readerlink::station_test
