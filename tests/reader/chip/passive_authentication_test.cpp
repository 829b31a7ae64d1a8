#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/passive_authentication.h"
#include "reader/chip/security_object.h"
#include "support/temp_dir.h"
#include "test_pki.h"

#include <fstream>
#include <gtest/gtest.h>

namespace readerlink::chip {
namespace {

using specimentool::KeyKind;
using specimentool::Signer;
using Outcome = PaResult::Outcome;

specimentool::Validity years(int from, int to) {
    return {specimentool::daysFromNow(365 * from), specimentool::daysFromNow(365 * to)};
}

void write(const std::filesystem::path& file, ByteView bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// One PKI for the whole suite: key generation is the slow part.
struct Pki {
    Signer csca = specimentool::makeCsca("UT", "Utopia CSCA", KeyKind::Rsa, years(-1, 10));
    Signer strangerCsca =
        specimentool::makeCsca("UT", "Stranger CSCA", KeyKind::EcP256, years(-1, 10));
    Signer cscaExplicit = specimentool::makeCsca("UT", "Utopia CSCA 2",
                                                 KeyKind::EcBrainpoolP256Explicit, years(-1, 10));
    testing::TempDir trust;

    Pki() {
        write(trust / "utopia.der", specimentool::certificateDer(csca));
        std::ofstream(trust / "utopia2.pem") << specimentool::certificatePem(cscaExplicit);
        std::ofstream(trust / "readme.txt") << "not a certificate";
    }
};

Pki& pki() {
    static Pki instance;
    return instance;
}

const std::map<int, Bytes> kGroups{{1, Bytes{0x61, 0x03, 0x5F, 0x1F, 0x00}},
                                   {2, Bytes(3000, 0x42)}};

struct PaCase {
    const char* name;
    // Builds EF.SOD; may change what is "read" from the chip.
    std::function<Bytes(std::map<int, Bytes>& read)> sod;
    Outcome outcome;
    const char* detail; // part of the detail text
};

Signer signerUnder(const Signer& csca, KeyKind kind,
                   specimentool::Validity validity = years(-1, 5)) {
    return specimentool::makeDocumentSigner(csca, "Utopia DS", kind, validity);
}

Bytes sodBy(const Signer& ds, const specimentool::SodOptions& options = {}) {
    return specimentool::makeEfSod(kGroups, ds, options);
}

class PassiveAuthenticationTest : public ::testing::TestWithParam<PaCase> {};

TEST_P(PassiveAuthenticationTest, GivesTheOutcomeAndItsReason) {
    std::map<int, Bytes> read = kGroups;
    const Bytes sod = GetParam().sod(read);
    const auto verifier = makeSignedDataVerifier(pki().trust.path());
    const PaResult result = checkPassiveAuthentication(*verifier, sod, read);
    EXPECT_EQ(result.outcome, GetParam().outcome) << result.logLine();
    EXPECT_NE(result.detail.find(GetParam().detail), std::string::npos) << result.logLine();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PassiveAuthenticationTest,
    ::testing::Values(
        PaCase{"RsaPkcs1", [](auto&) { return sodBy(signerUnder(pki().csca, KeyKind::Rsa)); },
               Outcome::Authentic,
               "DG1, DG2 match SHA-256 hashes; signed by Utopia DS under CSCA Utopia CSCA"},
        PaCase{"RsaPss", [](auto&) { return sodBy(signerUnder(pki().csca, KeyKind::RsaPss)); },
               Outcome::Authentic, "signed by Utopia DS"},
        PaCase{"EcdsaP256", [](auto&) { return sodBy(signerUnder(pki().csca, KeyKind::EcP256)); },
               Outcome::Authentic, "signed by Utopia DS"},
        PaCase{
            "EcdsaBrainpoolUnderExplicitCurveCsca",
            [](auto&) { return sodBy(signerUnder(pki().cscaExplicit, KeyKind::EcBrainpoolP256)); },
            Outcome::Authentic, "under CSCA Utopia CSCA 2"},
        PaCase{
            "EcdsaExplicitCurveSigner",
            [](auto&) { return sodBy(signerUnder(pki().csca, KeyKind::EcBrainpoolP256Explicit)); },
            Outcome::Authentic, "signed by Utopia DS"},
        PaCase{"HashAlgorithmDiffersFromSignatureDigest",
               [](auto&) {
                   return sodBy(signerUnder(pki().csca, KeyKind::EcP256), {"SHA1", "SHA384"});
               },
               Outcome::Authentic, "SHA-1 hashes"},
        PaCase{"TamperedDataGroup",
               [](std::map<int, Bytes>& read) {
                   read[2].back() ^= 1;
                   return sodBy(signerUnder(pki().csca, KeyKind::Rsa));
               },
               Outcome::NotAuthentic, "DG2 does not match its hash"},
        PaCase{"DataGroupWithoutHash",
               [](std::map<int, Bytes>& read) {
                   read[11] = Bytes{0x6B, 0x00};
                   return sodBy(signerUnder(pki().csca, KeyKind::Rsa));
               },
               Outcome::NotAuthentic, "DG11 has no hash"},
        PaCase{"UntrustedCsca",
               [](auto&) { return sodBy(signerUnder(pki().strangerCsca, KeyKind::Rsa)); },
               Outcome::NotAuthentic, "not issued by a trusted CSCA"},
        PaCase{"ExpiredDocumentSigner",
               [](auto&) { return sodBy(signerUnder(pki().csca, KeyKind::Rsa, years(-3, -1))); },
               Outcome::NotAuthentic, "has expired"},
        PaCase{"SelfSignedSigner",
               [](auto&) {
                   return sodBy(
                       specimentool::makeCsca("UT", "Forger", KeyKind::EcP256, years(-1, 1)));
               },
               Outcome::NotAuthentic, "not issued by a trusted CSCA"},
        PaCase{"BrokenSignature",
               [](auto&) {
                   Bytes sod = sodBy(signerUnder(pki().csca, KeyKind::Rsa));
                   sod.back() ^= 0x01; // the signature value closes the file
                   return sod;
               },
               Outcome::NotAuthentic, "signature over the security object does not verify"},
        PaCase{"SignedContentOfAnotherType",
               [](auto&) {
                   const Signer ds = signerUnder(pki().csca, KeyKind::Rsa);
                   return wrapEfSod(
                       specimentool::signCms("1.2.840.113549.1.7.1", Bytes{0x30, 0x00}, ds));
               },
               Outcome::NotAuthentic, "signs no LDS security object"},
        PaCase{"NotTag77",
               [](auto&) {
                   return Bytes{0x30, 0x02, 0x05, 0x00};
               },
               Outcome::NotAuthentic, "does not open with tag 77"},
        PaCase{"GarbageInside",
               [](auto&) {
                   return wrapEfSod(Bytes{0x30, 0x03, 0x02, 0x01, 0x01});
               },
               Outcome::NotAuthentic, "Malformed EF.SOD"},
        PaCase{"NoSod", [](auto&) { return Bytes{}; }, Outcome::NotChecked, "no EF.SOD"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PassiveAuthentication, WithoutTrustedCscasChecksHashesAndSignatureButNotTheChain) {
    const Signer ds = signerUnder(pki().csca, KeyKind::EcP256);
    const auto verifier = makeSignedDataVerifier({});
    const PaResult result = checkPassiveAuthentication(*verifier, sodBy(ds), kGroups);
    EXPECT_EQ(result.outcome, Outcome::NotChecked);
    EXPECT_EQ(result.logLine(),
              "Chip data not checked: signed by Utopia DS, but no trusted CSCA certificates");

    std::map<int, Bytes> tampered = kGroups;
    tampered[1][2] ^= 1;
    EXPECT_EQ(checkPassiveAuthentication(*verifier, sodBy(ds), tampered).outcome,
              Outcome::NotAuthentic);
}

TEST(PassiveAuthentication, TrustsTheCscasOfAMasterList) {
    testing::TempDir folder;
    const Signer listSigner =
        specimentool::makeCsca("UT", "List signer", KeyKind::EcP256, years(-1, 1));
    write(folder / "ICAO.ml",
          specimentool::makeMasterList({pki().strangerCsca, pki().csca}, listSigner));
    const auto verifier = makeSignedDataVerifier(folder.path());
    const PaResult result = checkPassiveAuthentication(
        *verifier, sodBy(signerUnder(pki().csca, KeyKind::Rsa)), kGroups);
    EXPECT_EQ(result.outcome, Outcome::Authentic) << result.logLine();
}

TEST(PassiveAuthentication, ChecksTheChainAtTheGivenTime) {
    const Signer ds = signerUnder(pki().csca, KeyKind::EcP256, years(-1, 1));
    const auto verifier = makeSignedDataVerifier(pki().trust.path());
    const auto later = std::chrono::system_clock::now() + std::chrono::hours(24 * 800);
    EXPECT_EQ(checkPassiveAuthentication(*verifier, sodBy(ds), kGroups, later).outcome,
              Outcome::NotAuthentic);
}

TEST(SecurityObject, RoundTripsAndRejectsDuplicateGroups) {
    SecurityObject object{"2.16.840.1.101.3.4.2.1", {{1, Bytes(32, 1)}, {14, Bytes(32, 2)}}};
    const SecurityObject back = parseSecurityObject(encodeSecurityObject(object));
    EXPECT_EQ(back.hashAlgorithm, object.hashAlgorithm);
    EXPECT_EQ(back.dataGroupHashes, object.dataGroupHashes);

    const auto entry = [](std::uint8_t group) {
        return encodeTlv(0x30, concat({Bytes{0x02, 0x01, group}, Bytes{0x04, 0x01, 0xAA}}));
    };
    const auto withEntries = [](ByteView entries) {
        return encodeTlv(0x30, concat({Bytes{0x02, 0x01, 0x00},
                                       encodeTlv(0x30, encodeTlv(0x06, oidValue("1.3.14.3.2.26"))),
                                       encodeTlv(0x30, entries)}));
    };
    EXPECT_NO_THROW(parseSecurityObject(withEntries(concat({entry(1), entry(2)}))));
    const Bytes twice = withEntries(concat({entry(1), entry(1)}));
    EXPECT_THROW(parseSecurityObject(twice), MalformedDataError);
}

TEST(SecurityObject, OidTextBothWays) {
    EXPECT_EQ(oidText(oidValue("2.23.136.1.1.1")), "2.23.136.1.1.1");
    EXPECT_EQ(toHex(oidValue("1.2.840.113549")), "2A864886F70D");
    EXPECT_THROW(oidText(fromHex("2A86")), MalformedDataError);
}

} // namespace
} // namespace readerlink::chip
