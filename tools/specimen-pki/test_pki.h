#pragma once

// A test PKI for specimen chips: a CSCA, Document Signers under it, EF.SOD
// signed by a Document Signer, and ICAO master lists. Keys are generated;
// nothing here is fit for real documents.

#include "reader/chip/bytes.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;
typedef struct x509_st X509;

namespace readerlink::specimentool {

enum class KeyKind {
    Rsa,                     // 2048 bits, PKCS#1 v1.5 signatures
    RsaPss,                  // 2048 bits, RSASSA-PSS signatures
    EcP256,                  // named curve
    EcBrainpoolP256,         // named curve
    EcBrainpoolP256Explicit, // curve given by its parameters, as some countries issue
};

struct Signer {
    std::shared_ptr<EVP_PKEY> key;
    std::shared_ptr<X509> certificate;
    KeyKind kind = KeyKind::Rsa;
};

struct Validity {
    std::time_t notBefore = 0;
    std::time_t notAfter = 0;
};

// Self-signed CSCA "CN=<name>, C=<country>".
Signer makeCsca(const std::string& country, const std::string& name, KeyKind kind,
                Validity validity);
// Document Signer certificate issued by `csca`.
Signer makeDocumentSigner(const Signer& csca, const std::string& name, KeyKind kind,
                          Validity validity);

struct SodOptions {
    std::string hashAlgorithm = "SHA256";   // of the data group hashes
    std::string signatureDigest = "SHA256"; // of the signature
};

// EF.SOD (tag 77) over the data groups given (1..16 -> file bytes).
chip::Bytes makeEfSod(const std::map<int, chip::Bytes>& dataGroups, const Signer& documentSigner,
                      const SodOptions& options = {});

// CMS SignedData around DER `content` of type `contentTypeOid`.
chip::Bytes signCms(const std::string& contentTypeOid, chip::ByteView content, const Signer& signer,
                    const std::string& digest = "SHA256");

// An ICAO master list of the CSCA certificates, signed by `signer`.
chip::Bytes makeMasterList(const std::vector<Signer>& cscas, const Signer& signer);

std::string certificatePem(const Signer& signer);
chip::Bytes certificateDer(const Signer& signer);
// Certificate and private key in one PEM file, and back (kind is not kept:
// RSA keys read back sign PKCS#1 v1.5).
void saveSigner(const Signer& signer, const std::filesystem::path& file);
Signer loadSigner(const std::filesystem::path& file);

std::time_t daysFromNow(int days);

} // namespace readerlink::specimentool
