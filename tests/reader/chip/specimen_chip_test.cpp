// The shipped specimens' chips, read whole in-process: what each one's
// Passive Authentication says against the specimens' trust folder.

#include "reader/chip/chip_readout.h"
#include "reader/chip/mrz_information.h"
#include "reader/chip/virtual_chip.h"
#include "specimen_chip.h"

#include <gtest/gtest.h>

namespace readerlink::chip {
namespace {

const std::filesystem::path kSpecimens = READERLINK_SPECIMENS_DIR;

struct SpecimenCase {
    const char* specimen;
    PaResult::Outcome outcome;
    const char* detail;
};

class SpecimenChipTest : public ::testing::TestWithParam<SpecimenCase> {};

TEST_P(SpecimenChipTest, PassiveAuthenticationAgainstTheSpecimenTrustFolder) {
    const auto specimen = virtualreader::loadSpecimen(kSpecimens / GetParam().specimen, kSpecimens);
    const ChipDocument document = specimentool::chipDocumentOf(specimen);
    ASSERT_FALSE(document.efSod.empty());
    VirtualChip chip(document);
    const auto random = makeSystemRandom();
    BacReader reader(chip, *random);
    const auto verifier = makeSignedDataVerifier(kSpecimens / "trust");
    const ChipReadout readout =
        readWholeChip(reader, mrzInformationFromLines(specimen.mrz), *verifier);

    EXPECT_EQ(readout.files.size(), document.dataGroups.size() + 1);
    EXPECT_EQ(readout.efSod, document.efSod);
    EXPECT_EQ(readout.passiveAuthentication.outcome, GetParam().outcome)
        << readout.passiveAuthentication.logLine();
    EXPECT_NE(readout.passiveAuthentication.logLine().find(GetParam().detail), std::string::npos)
        << readout.passiveAuthentication.logLine();
}

using Outcome = PaResult::Outcome;
INSTANTIATE_TEST_SUITE_P(
    Shipped, SpecimenChipTest,
    ::testing::Values(
        SpecimenCase{"td3-passport-chip.json", Outcome::Authentic,
                     "Chip data authentic (DG1, DG2 match SHA-256 hashes; signed by Utopia Test "
                     "Document Signer under "
                     "CSCA Utopia Test CSCA)"},
        SpecimenCase{"td3-chip-jpeg2000-face.json", Outcome::Authentic, "DG1, DG2"},
        SpecimenCase{"td1-long-number.json", Outcome::Authentic, "DG1 match"},
        SpecimenCase{"td3-chip-sod-tampered.json", Outcome::NotAuthentic,
                     "Chip data not authentic: DG2 does not match its hash in EF.SOD"},
        SpecimenCase{"td3-chip-sod-untrusted.json", Outcome::NotAuthentic,
                     "not issued by a trusted CSCA"},
        SpecimenCase{"td3-chip-sod-expired-signer.json", Outcome::NotAuthentic, "has expired"}),
    [](const auto& info) {
        std::string name = info.param.specimen;
        name = name.substr(0, name.find('.'));
        std::erase(name, '-');
        return name;
    });

TEST(WholeChipRead, AChipWithoutSodIsReadAndNotChecked) {
    const auto specimen =
        virtualreader::loadSpecimen(kSpecimens / "td3-passport-chip.json", kSpecimens);
    ChipDocument document = specimentool::chipDocumentOf(specimen);
    document.efSod.clear();
    VirtualChip chip(document);
    const auto random = makeSystemRandom();
    BacReader reader(chip, *random);
    const auto verifier = makeSignedDataVerifier(kSpecimens / "trust");
    const ChipReadout readout =
        readWholeChip(reader, mrzInformationFromLines(specimen.mrz), *verifier);
    EXPECT_EQ(readout.files.size(), 3u);
    EXPECT_EQ(readout.passiveAuthentication.logLine(),
              "Chip data not checked: the chip gave no EF.SOD");
}

} // namespace
} // namespace readerlink::chip
