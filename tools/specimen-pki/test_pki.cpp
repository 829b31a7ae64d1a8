#include "test_pki.h"

#include "reader/chip/ber_tlv.h"
#include "reader/chip/security_object.h"

#include <fstream>
#include <iterator>
#include <openssl/cms.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace readerlink::specimentool {

namespace {

[[noreturn]] void fail(const std::string& what) {
    char reason[256] = "";
    ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
    throw std::runtime_error("test PKI: " + what + " (" + reason + ")");
}

std::shared_ptr<EVP_PKEY> generate(KeyKind kind) {
    EVP_PKEY* key = nullptr;
    switch (kind) {
    case KeyKind::Rsa:
    case KeyKind::RsaPss:
        key = EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(2048));
        break;
    case KeyKind::EcP256:
        key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
        break;
    case KeyKind::EcBrainpoolP256:
    case KeyKind::EcBrainpoolP256Explicit:
        key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "brainpoolP256r1");
        break;
    }
    if (!key)
        fail("key generation failed");
    if (kind == KeyKind::EcBrainpoolP256Explicit &&
        EVP_PKEY_set_utf8_string_param(key, OSSL_PKEY_PARAM_EC_ENCODING,
                                       OSSL_PKEY_EC_ENCODING_EXPLICIT) != 1)
        fail("explicit curve parameters refused");
    return {key, EVP_PKEY_free};
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension || X509_add_ext(cert, extension, -1) != 1)
        fail("certificate extension refused");
    X509_EXTENSION_free(extension);
}

Signer makeCertificate(const Signer* issuer, const std::string& country, const std::string& name,
                       KeyKind kind, Validity validity, bool ca) {
    Signer made{generate(kind), std::shared_ptr<X509>(X509_new(), X509_free), kind};
    X509* cert = made.certificate.get();
    X509_set_version(cert, X509_VERSION_3);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    ASN1_TIME_set(X509_getm_notBefore(cert), validity.notBefore);
    ASN1_TIME_set(X509_getm_notAfter(cert), validity.notAfter);
    X509_NAME* subject = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(subject, "C", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(country.c_str()), -1, -1, 0);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509* issuerCert = issuer ? issuer->certificate.get() : cert;
    X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
    X509_set_pubkey(cert, made.key.get());
    addExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
    if (issuer)
        addExtension(cert, issuerCert, NID_authority_key_identifier, "keyid:always");
    if (ca) {
        addExtension(cert, issuerCert, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
        addExtension(cert, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert, issuerCert, NID_key_usage, "critical,digitalSignature");
    }
    EVP_PKEY* signingKey = issuer ? issuer->key.get() : made.key.get();
    if (X509_sign(cert, signingKey, EVP_sha256()) <= 0)
        fail("certificate signing failed");
    return made;
}

} // namespace

std::time_t daysFromNow(int days) {
    return std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
}

Signer makeCsca(const std::string& country, const std::string& name, KeyKind kind,
                Validity validity) {
    return makeCertificate(nullptr, country, name, kind, validity, true);
}

Signer makeDocumentSigner(const Signer& csca, const std::string& name, KeyKind kind,
                          Validity validity) {
    char country[8] = "UT";
    X509_NAME_get_text_by_NID(X509_get_subject_name(csca.certificate.get()), NID_countryName,
                              country, sizeof country);
    return makeCertificate(&csca, country, name, kind, validity, false);
}

chip::Bytes signCms(const std::string& contentTypeOid, chip::ByteView content, const Signer& signer,
                    const std::string& digest) {
    std::unique_ptr<CMS_ContentInfo, decltype(&CMS_ContentInfo_free)> cms(
        CMS_sign(nullptr, nullptr, nullptr, nullptr, CMS_PARTIAL | CMS_BINARY),
        CMS_ContentInfo_free);
    if (!cms)
        fail("CMS creation failed");
    ASN1_OBJECT* type = OBJ_txt2obj(contentTypeOid.c_str(), 1);
    if (!type || CMS_set1_eContentType(cms.get(), type) != 1)
        fail("content type refused");
    ASN1_OBJECT_free(type);
    const EVP_MD* md = EVP_get_digestbyname(digest.c_str());
    if (!md)
        fail("unknown digest " + digest);
    const bool pss = signer.kind == KeyKind::RsaPss;
    CMS_SignerInfo* info = CMS_add1_signer(cms.get(), signer.certificate.get(), signer.key.get(),
                                           md, CMS_BINARY | (pss ? CMS_KEY_PARAM : 0));
    if (!info)
        fail("signer refused");
    if (pss) {
        EVP_PKEY_CTX* context = CMS_SignerInfo_get0_pkey_ctx(info);
        if (EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PSS_PADDING) <= 0 ||
            EVP_PKEY_CTX_set_rsa_pss_saltlen(context, RSA_PSS_SALTLEN_DIGEST) <= 0)
            fail("PSS padding refused");
    }
    std::unique_ptr<BIO, decltype(&BIO_free)> in(
        BIO_new_mem_buf(content.data(), static_cast<int>(content.size())), BIO_free);
    if (CMS_final(cms.get(), in.get(), nullptr, CMS_BINARY) != 1)
        fail("signing failed");
    unsigned char* der = nullptr;
    const int length = i2d_CMS_ContentInfo(cms.get(), &der);
    if (length <= 0)
        fail("CMS encoding failed");
    chip::Bytes out(der, der + length);
    OPENSSL_free(der);
    return out;
}

chip::Bytes makeEfSod(const std::map<int, chip::Bytes>& dataGroups, const Signer& documentSigner,
                      const SodOptions& options) {
    const EVP_MD* md = EVP_get_digestbyname(options.hashAlgorithm.c_str());
    if (!md)
        fail("unknown digest " + options.hashAlgorithm);
    char oid[64];
    OBJ_obj2txt(oid, sizeof oid, OBJ_nid2obj(EVP_MD_get_type(md)), 1);
    chip::SecurityObject object;
    object.hashAlgorithm = oid;
    for (const auto& [group, bytes] : dataGroups) {
        chip::Bytes hash(EVP_MAX_MD_SIZE);
        unsigned int size = 0;
        EVP_Digest(bytes.data(), bytes.size(), hash.data(), &size, md, nullptr);
        hash.resize(size);
        object.dataGroupHashes[group] = hash;
    }
    return chip::wrapEfSod(signCms(std::string(chip::kLdsSecurityObjectOid),
                                   chip::encodeSecurityObject(object), documentSigner,
                                   options.signatureDigest));
}

chip::Bytes certificateDer(const Signer& signer) {
    unsigned char* der = nullptr;
    const int length = i2d_X509(signer.certificate.get(), &der);
    if (length <= 0)
        fail("certificate encoding failed");
    chip::Bytes out(der, der + length);
    OPENSSL_free(der);
    return out;
}

chip::Bytes makeMasterList(const std::vector<Signer>& cscas, const Signer& signer) {
    chip::Bytes certificates;
    for (const Signer& csca : cscas)
        chip::append(certificates, certificateDer(csca));
    const chip::Bytes list = chip::encodeTlv(
        0x30, chip::concat({chip::Bytes{0x02, 0x01, 0x00}, chip::encodeTlv(0x31, certificates)}));
    return signCms(std::string(chip::kCscaMasterListOid), list, signer);
}

std::string certificatePem(const Signer& signer) {
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(out.get(), signer.certificate.get());
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    return std::string(data, length);
}

void saveSigner(const Signer& signer, const std::filesystem::path& file) {
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_X509(out.get(), signer.certificate.get());
    PEM_write_bio_PrivateKey(out.get(), signer.key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(data, length);
}

Signer loadSigner(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), BIO_free);
    X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr);
    if (!cert || !key)
        fail("cannot read " + file.string());
    const KeyKind kind = EVP_PKEY_is_a(key, "EC") ? KeyKind::EcP256 : KeyKind::Rsa;
    return {std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free), std::shared_ptr<X509>(cert, X509_free),
            kind};
}

} // namespace readerlink::specimentool
