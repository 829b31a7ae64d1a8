// Chips read through the real PC/SC stack: pcscd with the vpcd driver, a
// specimen served by readerlink-vicc, our transport on the reader side.
// Skipped when no pcscd answers, unless READERLINK_REQUIRE_PCSCD=1 (CI).

#include "pcsc_chip_read.h"
#include "platform/pcsc/pcsc_chip_card.h"
#include "platform/pcsc/pcsc_reader.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/mrz_information.h"
#include "reader/virtual/error_codes.h"
#include "station/chip_source.h"
#include "station/virtual_station.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace readerlink::pcsc {
namespace {

using chip::PaResult;
using Outcome = PaResult::Outcome;

const std::filesystem::path kSpecimens = READERLINK_SPECIMENS_DIR;
const std::string kReader = "Virtual PCD 00 00";
const std::string kEmptyReader = "Virtual PCD 00 01";
constexpr auto kWait = std::chrono::seconds(10);
const std::vector<std::string> kAnnaMrz{"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                        "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};

bool pcscdRequired() {
    const char* value = std::getenv("READERLINK_REQUIRE_PCSCD");
    return value && std::string(value) == "1";
}

// A readerlink-vicc process holding a specimen's chip in the first reader.
class ServedCard {
public:
    ServedCard(const std::string& specimen, std::vector<std::string> flags) {
        std::vector<std::string> args{READERLINK_VICC};
        args.insert(args.end(), flags.begin(), flags.end());
        args.push_back((kSpecimens / specimen).string());
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
    }
    ~ServedCard() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    bool started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

class PcscStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        try {
            service_.emplace();
        } catch (const PcscError& e) {
            if (pcscdRequired())
                FAIL() << "READERLINK_REQUIRE_PCSCD=1 but: " << e.what();
            GTEST_SKIP() << "no pcscd reachable (" << e.what()
                         << "); start pcscd -f -a with vsmartcard-vpcd";
        }
        bool vpcd = false;
        for (const ReaderInfo& reader : service_->readers())
            vpcd |= reader.name == kReader;
        if (!vpcd) {
            if (pcscdRequired())
                FAIL() << "pcscd runs without the vpcd reader \"" << kReader << "\"";
            GTEST_SKIP() << "pcscd runs without vsmartcard-vpcd";
        }
        // A card served by an earlier test may still show until pcscd notices it left.
        ASSERT_TRUE(service_->waitForRemoval(kReader, kWait)) << "a card is still in " << kReader;
    }

    // Serves `specimen` and waits for pcscd to see the card.
    void serve(const std::string& specimen, std::vector<std::string> flags = {}) {
        card_.emplace(specimen, std::move(flags));
        ASSERT_TRUE(card_->started());
        ASSERT_EQ(service_->waitForCard(kReader, kWait), kReader);
    }

    chiptool::PcscRead read(const std::vector<std::string>& mrz = kAnnaMrz,
                            chiptool::PcscReadOptions options = {}) {
        if (options.reader.empty())
            options.reader = kReader;
        if (options.trustFolder.empty())
            options.trustFolder = kSpecimens / "trust";
        return chiptool::readChipOverPcsc(*service_, chip::mrzInformationFromLines(mrz), options);
    }

    std::optional<PcscService> service_;
    std::optional<ServedCard> card_;
};

struct WholeReadCase {
    const char* name;
    const char* specimen;
    bool extended;
    chip::ImageFormat face;
    Outcome outcome;
    const char* paLine; // the start of the Passive Authentication line
};

class PcscWholeReadTest : public PcscStackTest,
                          public ::testing::WithParamInterface<WholeReadCase> {};

TEST_P(PcscWholeReadTest, ReadsTheChipAndChecksIt) {
    const WholeReadCase& c = GetParam();
    serve(c.specimen,
          c.extended ? std::vector<std::string>{} : std::vector<std::string>{"--short"});
    const chiptool::PcscRead result = read();

    EXPECT_EQ(result.reader, kReader);
    EXPECT_EQ(result.extendedLength, c.extended);
    EXPECT_EQ(chip::parseDg1(result.readout.files.at(1)), kAnnaMrz[0] + kAnnaMrz[1]);
    EXPECT_EQ(chip::parseDg2(result.readout.files.at(2)).format, c.face);
    EXPECT_FALSE(result.readout.efSod.empty());
    EXPECT_EQ(result.readout.passiveAuthentication.outcome, c.outcome);
    EXPECT_TRUE(result.readout.passiveAuthentication.logLine().starts_with(c.paLine))
        << result.readout.passiveAuthentication.logLine();
    EXPECT_NE(chiptool::describe(result).find("DG1 MRZ: " + kAnnaMrz[0] + kAnnaMrz[1] + "\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Specimens, PcscWholeReadTest,
    ::testing::Values(
        WholeReadCase{"ExtendedLength", "td3-passport-chip.json", true, chip::ImageFormat::Jpeg,
                      Outcome::Authentic,
                      "Chip data authentic (DG1, DG2 match SHA-256 hashes; signed by Utopia Test "
                      "Document Signer"},
        WholeReadCase{"ShortApdus", "td3-passport-chip.json", false, chip::ImageFormat::Jpeg,
                      Outcome::Authentic, "Chip data authentic"},
        WholeReadCase{"Jpeg2000Face", "td3-chip-jpeg2000-face.json", true,
                      chip::ImageFormat::Jpeg2000, Outcome::Authentic, "Chip data authentic"},
        WholeReadCase{"TamperedFace", "td3-chip-sod-tampered.json", true, chip::ImageFormat::Jpeg,
                      Outcome::NotAuthentic,
                      "Chip data not authentic: DG2 does not match its hash in EF.SOD"},
        WholeReadCase{"UntrustedCsca", "td3-chip-sod-untrusted.json", false,
                      chip::ImageFormat::Jpeg, Outcome::NotAuthentic,
                      "Chip data not authentic: the Document Signer is not issued by a trusted"},
        WholeReadCase{"ExpiredSigner", "td3-chip-sod-expired-signer.json", true,
                      chip::ImageFormat::Jpeg, Outcome::NotAuthentic,
                      "Chip data not authentic: a certificate of the chain has expired"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PcscStackTest, ExtendedLengthReadsTheFaceInFewerCommands) {
    serve("td3-passport-chip.json");
    const std::size_t extended = read().exchanges;
    card_.reset();
    ASSERT_TRUE(service_->waitForRemoval(kReader, kWait));
    serve("td3-passport-chip.json", {"--short"});
    const std::size_t shortOnly = read().exchanges;
    // A 3 kB face takes 14 short reads, one extended.
    EXPECT_LE(extended + 12, shortOnly) << extended << " extended, " << shortOnly << " short";
}

TEST_F(PcscStackTest, WrongMrzIsRefusedByTheChip) {
    serve("td3-passport-chip.json");
    const std::vector<std::string> other{"P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<",
                                         "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52"};
    try {
        read(other);
        FAIL() << "BAC succeeded with another document's MRZ";
    } catch (const chip::BacError& e) {
        EXPECT_STREQ(e.what(), "BAC failed: the chip refused the access keys (status 6300)");
    }
}

TEST_F(PcscStackTest, CardRemovedInTheMiddleOfTheFace) {
    // Short reads: BAC takes 3 commands, EF.COM and DG1 about 6 more, the face 15.
    serve("td3-passport-chip.json", {"--short", "--remove-after", "14"});
    chiptool::PcscReadOptions options;
    options.allowExtendedLength = false;
    try {
        read(kAnnaMrz, options);
        FAIL() << "the read went on without the card";
    } catch (const PcscError& e) {
        EXPECT_EQ(e.kind(), PcscError::Kind::CardRemoved) << e.what();
        EXPECT_STREQ(e.what(), "The chip left the reader during a chip read");
    }
}

TEST_F(PcscStackTest, NamedReaderThatIsNotThere) {
    chiptool::PcscReadOptions options;
    options.reader = "ACME Contactless 00 00";
    try {
        read(kAnnaMrz, options);
        FAIL();
    } catch (const PcscError& e) {
        EXPECT_EQ(e.kind(), PcscError::Kind::NoReader);
        EXPECT_STREQ(e.what(), "Smart-card reader \"ACME Contactless 00 00\" not found");
    }
}

TEST_F(PcscStackTest, ReaderWithoutCardEndsTheWaitAtItsTimeout) {
    chiptool::PcscReadOptions options;
    options.reader = kEmptyReader;
    try {
        read(kAnnaMrz, options);
        FAIL();
    } catch (const PcscError& e) {
        EXPECT_EQ(e.kind(), PcscError::Kind::NoCard);
        EXPECT_STREQ(e.what(), "No chip was laid on the reader");
    }
}

TEST_F(PcscStackTest, ChoosesTheFirstReaderWithACard) {
    serve("td3-passport-chip.json");
    EXPECT_EQ(service_->waitForCard("", std::chrono::milliseconds(0)), kReader);
    const auto readers = service_->readers();
    ASSERT_GE(readers.size(), 2u);
    EXPECT_TRUE(readers[0].cardPresent);
    EXPECT_EQ(chip::toHex(readers[0].atr), "3B858001807300214096");
}

TEST_F(PcscStackTest, CancelEndsAWaitFromAnotherThread) {
    std::optional<PcscError::Kind> kind;
    std::thread waiter([&] {
        try {
            service_->waitForCard(kEmptyReader, std::chrono::minutes(5));
        } catch (const PcscError& e) {
            kind = e.kind();
        }
    });
    // However the threads interleave, the wait ends: a cancel before the wait
    // begins still ends it in pcsc-lite, so cancel until the thread is done.
    while (!kind) {
        service_->cancel();
        std::this_thread::yield();
        if (kind)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    waiter.join();
    EXPECT_EQ(kind, PcscError::Kind::Cancelled);
}

// The virtual reader's chip operations, on the card in the reader.
TEST_F(PcscStackTest, ChipCardReadsThroughTheReaderAndLogsTheCheck) {
    serve("td3-passport-chip.json");
    std::vector<std::string> log;
    const auto card = makePcscChipCard(
        {kReader, kSpecimens / "trust", [&](const std::string& line) { log.push_back(line); }});
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(card->connect().ok());
    EXPECT_EQ(card->readFile(1, data).code, virtualreader::kSecurityStatusNotSatisfied);
    EXPECT_EQ(card->performBac("X4RTBPFW46UTO8501019M3203156").code, virtualreader::kBacFailed);
    ASSERT_TRUE(card->performBac(chip::mrzInformationFromLines(kAnnaMrz)).ok());
    ASSERT_TRUE(card->readFile(1, data).ok());
    EXPECT_EQ(chip::parseDg1(data), kAnnaMrz[0] + kAnnaMrz[1]);
    ASSERT_TRUE(card->readFile(2, data).ok());
    EXPECT_EQ(card->readFile(3, data).code, virtualreader::kFileNotFound);
    EXPECT_TRUE(log.empty());
    card->disconnect();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("Chip data authentic (DG1, DG2 match")) << log[0];
}

TEST_F(PcscStackTest, ChipCardWithoutAPassportOnTheReader) {
    const auto card = makePcscChipCard({kEmptyReader, {}, {}});
    const virtualreader::ChipStatus status = card->connect();
    EXPECT_EQ(status.code, virtualreader::kNoChip);
    EXPECT_NE(status.text.find(u"No chip was laid on the reader"), std::u16string::npos);
}

// A virtual station whose chips come from the station's composition under
// `settings` (lines of section VirtualReader); its log takes every line.
std::unique_ptr<station_test::VirtualStation> composedStation(const testing::TempDir& dir,
                                                              const std::string& settings) {
    std::ofstream(dir / "Settings.ini") << "[VirtualReader]\n" << settings;
    auto holder = std::make_shared<station_test::VirtualStation*>(nullptr);
    auto early = std::make_shared<std::vector<std::u16string>>();
    station_test::StationOptions options;
    options.configureReader = [&dir, holder, early](virtualreader::VirtualReaderOptions& reader) {
        station::chooseChipSource(
            reader, station::ProfileFile(dir / "Settings.ini"), kSpecimens / "trust", dir.path(),
            {[holder, early](const std::u16string& line) {
                 if (*holder)
                     (*holder)->window.log(line);
                 else
                     early->push_back(line);
             },
             [holder](const std::u16string& text) { (*holder)->deliver(text); }});
    };
    auto station = std::make_unique<station_test::VirtualStation>(options);
    *holder = station.get();
    for (const auto& line : *early)
        station->window.log(line);
    station->connect();
    return station;
}

std::vector<std::string> chipCheckLines(const std::vector<std::string>& log) {
    std::vector<std::string> lines;
    std::copy_if(log.begin(), log.end(), std::back_inserter(lines),
                 [](const std::string& line) { return line.starts_with("Chip data "); });
    return lines;
}

// The station set to the PC/SC reader reads the served chip through the same
// workflow: the same texts as from the specimen's own chip, the same check.
TEST_F(PcscStackTest, StationWithAChipReaderDeliversAsTheInProcessChip) {
    testing::TempDir inProcessDir;
    testing::TempDir pcscDir;
    const auto inProcess = composedStation(inProcessDir, "");
    inProcess->read(station_test::specimenFile("td3-passport-chip.json"));

    serve("td3-passport-chip.json");
    const auto overPcsc =
        composedStation(pcscDir, "ChipReader=" + kReader + "\nChipCheckToHost=1\n");
    EXPECT_EQ(overPcsc->log().at(0), "Chip source: contactless reader \"" + kReader + "\"");
    overPcsc->clearRecords();
    overPcsc->read(station_test::specimenFile("td3-passport-chip.json"));

    auto delivered = overPcsc->deliveries();
    const auto check = std::find_if(delivered.begin(), delivered.end(), [](const auto& d) {
        return d.text.starts_with("host: @ChipCheck|Chip data authentic (DG1, DG2");
    });
    ASSERT_NE(check, delivered.end());
    delivered.erase(check);
    EXPECT_FALSE(inProcess->deliveries().empty());
    EXPECT_EQ(delivered, inProcess->deliveries());
    const auto lines = chipCheckLines(overPcsc->log());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines, chipCheckLines(inProcess->log()));
}

// With a chip reader set, a document whose specimen has no chip still has the
// card in the reader: here another passport's, so BAC is refused, that is
// logged, and the page's MRZ is delivered all the same.
TEST_F(PcscStackTest, StationWithAChipReaderTriesTheCardUnderAnyDocument) {
    testing::TempDir dir;
    serve("td3-passport-chip.json");
    const auto station = composedStation(dir, "ChipReader=*\n");
    station->read(station_test::specimenFile("td3-passport.json"));

    const auto& log = station->log();
    EXPECT_NE(std::find(log.begin(), log.end(), "Error (0000000C): Basic Access Control failed"),
              log.end());
    EXPECT_TRUE(chipCheckLines(log).empty());
    const auto& delivered = station->deliveries();
    EXPECT_NE(std::find_if(delivered.begin(), delivered.end(),
                           [](const auto& d) {
                               return d.text == "host: P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<"
                                                "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52";
                           }),
              delivered.end());
}

} // namespace
} // namespace readerlink::pcsc
