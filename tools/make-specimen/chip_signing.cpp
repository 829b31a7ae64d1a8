#include "chip_signing.h"

#include "reader/virtual/specimen.h"
#include "specimen_chip.h"
#include "test_pki.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>

namespace readerlink::specimentool {

namespace {

struct SpecimenPki {
    Signer csca;
    Signer documentSigner;
    Signer untrustedDocumentSigner;
    Signer expiredDocumentSigner;
};

// 2020-01-01 and 2021-01-01: a Document Signer long expired.
constexpr std::time_t kExpiredFrom = 1577836800;
constexpr std::time_t kExpiredTo = 1609459200;

Signer loadOrMake(const std::filesystem::path& file, const std::function<Signer()>& make) {
    std::error_code error;
    if (std::filesystem::exists(file, error))
        return loadSigner(file);
    Signer made = make();
    saveSigner(made, file);
    return made;
}

SpecimenPki specimenPki(const std::filesystem::path& library) {
    const auto pki = library / "pki";
    const Validity longLived{daysFromNow(-365), daysFromNow(365 * 15)};
    SpecimenPki out;
    out.csca = loadOrMake(pki / "csca.pem", [&] {
        return makeCsca("UT", "Utopia Test CSCA", KeyKind::Rsa, longLived);
    });
    out.documentSigner = loadOrMake(pki / "document-signer.pem", [&] {
        return makeDocumentSigner(out.csca, "Utopia Test Document Signer", KeyKind::EcBrainpoolP256,
                                  longLived);
    });
    out.expiredDocumentSigner = loadOrMake(pki / "expired-document-signer.pem", [&] {
        return makeDocumentSigner(out.csca, "Utopia Expired Document Signer", KeyKind::EcP256,
                                  {kExpiredFrom, kExpiredTo});
    });
    const Signer stranger = loadOrMake(pki / "untrusted-csca.pem", [&] {
        return makeCsca("UT", "Untrusted Test CSCA", KeyKind::EcP256, longLived);
    });
    out.untrustedDocumentSigner = loadOrMake(pki / "untrusted-document-signer.pem", [&] {
        return makeDocumentSigner(stranger, "Untrusted Document Signer", KeyKind::EcP256,
                                  longLived);
    });
    std::filesystem::create_directories(library / "trust");
    std::ofstream(library / "trust" / "utopia-test-csca.pem") << certificatePem(out.csca);
    return out;
}

} // namespace

bool signSpecimenChip(const std::filesystem::path& specimenFile, std::ostream& out,
                      std::ostream& errors) {
    std::ifstream in(specimenFile);
    const nlohmann::json root = nlohmann::json::parse(in);
    if (!root.contains("chip") || !root.at("chip").contains("sod"))
        return true;
    const auto& chipJson = root.at("chip");
    const auto library = specimenFile.parent_path();
    const auto sodFile = library / chipJson.at("sod").get<std::string>();

    const chip::ChipDocument document =
        chipDocumentOf(virtualreader::loadSpecimen(specimenFile, library));
    std::map<int, chip::Bytes> groups = dataGroupsOf(document);
    const int tampered = chipJson.value("sodTamperedGroup", 0);
    if (tampered != 0) {
        if (!groups.contains(tampered) || groups[tampered].empty()) {
            errors << "make-specimen: " << specimenFile.string() << ": no data group " << tampered
                   << " to tamper\n";
            return false;
        }
        groups[tampered].back() ^= 0x01;
    }
    const SpecimenPki pki = specimenPki(library);
    const std::string signer = chipJson.value("sodSigner", "valid");
    const Signer& documentSigner = signer == "untrusted" ? pki.untrustedDocumentSigner
                                   : signer == "expired" ? pki.expiredDocumentSigner
                                                         : pki.documentSigner;
    const chip::Bytes sod = makeEfSod(groups, documentSigner);
    std::filesystem::create_directories(sodFile.parent_path());
    std::ofstream(sodFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(sod.data()), sod.size());
    out << sodFile.string() << " (EF.SOD, " << sod.size() << " bytes, " << signer << " signer)\n";
    return true;
}

} // namespace readerlink::specimentool
