// SignedDataVerifier over OpenSSL's CMS and X.509 code.

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/passive_authentication.h"
#include "reader/chip/security_object.h"

#include <fstream>
#include <iterator>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <vector>

namespace readerlink::chip {

namespace {

template <typename T, void (*Free)(T*)> struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

struct CertStackFree {
    void operator()(STACK_OF(X509) * s) const { sk_X509_pop_free(s, X509_free); }
};
using CertStackPtr = std::unique_ptr<STACK_OF(X509), CertStackFree>;

CmsPtr parseCms(ByteView der) {
    const unsigned char* p = der.data();
    CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
    ERR_clear_error();
    if (!cms || p != der.data() + der.size())
        throw MalformedDataError("Malformed EF.SOD: no DER CMS structure");
    if (OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed)
        throw MalformedDataError("Malformed EF.SOD: no CMS SignedData");
    return cms;
}

std::string oidOf(const ASN1_OBJECT* object) {
    char text[128];
    const int length = OBJ_obj2txt(text, sizeof text, object, 1);
    return length > 0 && length < static_cast<int>(sizeof text) ? std::string(text, length)
                                                                : std::string();
}

std::string commonName(X509* cert) {
    X509_NAME* name = X509_get_subject_name(cert);
    const int index = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    if (index >= 0) {
        const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
        unsigned char* utf8 = nullptr;
        const int length = ASN1_STRING_to_UTF8(&utf8, value);
        if (length >= 0) {
            std::string text(reinterpret_cast<char*>(utf8), length);
            OPENSSL_free(utf8);
            return text;
        }
    }
    char text[256];
    X509_NAME_oneline(name, text, sizeof text);
    return text;
}

std::vector<X509Ptr> certificatesIn(const Bytes& bytes) {
    std::vector<X509Ptr> found;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.find("-----BEGIN") != std::string_view::npos) {
        BioPtr bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
        while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr))
            found.emplace_back(cert);
        ERR_clear_error();
        return found;
    }
    const unsigned char* p = bytes.data();
    if (X509* cert = d2i_X509(nullptr, &p, static_cast<long>(bytes.size()))) {
        found.emplace_back(cert);
        return found;
    }
    ERR_clear_error();
    // An ICAO master list: SignedData over SEQUENCE { version, SET OF Certificate }.
    try {
        const CmsPtr cms = parseCms(bytes);
        if (oidOf(CMS_get0_eContentType(cms.get())) != kCscaMasterListOid)
            return found;
        ASN1_OCTET_STRING** content = CMS_get0_content(cms.get());
        if (!content || !*content)
            return found;
        const ByteView list(ASN1_STRING_get0_data(*content), ASN1_STRING_length(*content));
        const std::vector<TlvObject> fields = parseTlvSequence(parseTlv(list).value);
        if (fields.size() != 2 || fields[1].tag != 0x31)
            return found;
        for (const TlvObject& entry : parseTlvSequence(fields[1].value)) {
            const unsigned char* q = entry.value.data() - entry.headerSize;
            if (X509* cert = d2i_X509(nullptr, &q, static_cast<long>(entry.size())))
                found.emplace_back(cert);
        }
    } catch (const ChipError&) {
    }
    ERR_clear_error();
    return found;
}

std::string chainFailure(int error) {
    switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "a certificate of the chain has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "a certificate of the chain is not yet valid";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        return "the Document Signer is not issued by a trusted CSCA";
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
        return "the Document Signer certificate's signature does not verify";
    default:
        return std::string("the certificate chain does not verify (") +
               X509_verify_cert_error_string(error) + ")";
    }
}

// Many CSCAs and Document Signers give their curve by its parameters; OpenSSL
// refuses such keys in a chain unless told otherwise.
int allowExplicitCurves(int ok, X509_STORE_CTX* context) {
    if (!ok && X509_STORE_CTX_get_error(context) == X509_V_ERR_EC_KEY_EXPLICIT_PARAMS) {
        X509_STORE_CTX_set_error(context, X509_V_OK);
        return 1;
    }
    return ok;
}

class OpenSslSignedDataVerifier final : public SignedDataVerifier {
public:
    explicit OpenSslSignedDataVerifier(const std::filesystem::path& trustFolder)
        : store_(X509_STORE_new()) {
        folder_ = trustFolder.string();
        if (trustFolder.empty())
            return;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(trustFolder, error)) {
            if (!entry.is_regular_file(error))
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            for (X509Ptr& cert : certificatesIn(bytes))
                if (X509_STORE_add_cert(store_.get(), cert.get()) == 1)
                    ++trusted_;
            ERR_clear_error();
        }
    }

    Content open(ByteView cms) override {
        const CmsPtr parsed = parseCms(cms);
        ASN1_OCTET_STRING** content = CMS_get0_content(parsed.get());
        if (!content || !*content)
            throw MalformedDataError("Malformed EF.SOD: the signed content is absent");
        const unsigned char* data = ASN1_STRING_get0_data(*content);
        return {oidOf(CMS_get0_eContentType(parsed.get())),
                Bytes(data, data + ASN1_STRING_length(*content))};
    }

    std::optional<Bytes> digest(std::string_view algorithmOid, ByteView data) override {
        const std::string oid(algorithmOid);
        ASN1_OBJECT* object = OBJ_txt2obj(oid.c_str(), 1);
        const EVP_MD* md = object ? EVP_get_digestbyobj(object) : nullptr;
        ASN1_OBJECT_free(object);
        ERR_clear_error();
        if (!md)
            return std::nullopt;
        Bytes out(EVP_MAX_MD_SIZE);
        unsigned int size = 0;
        if (EVP_Digest(data.data(), data.size(), out.data(), &size, md, nullptr) != 1)
            return std::nullopt;
        out.resize(size);
        return out;
    }

    PaResult verifySigner(ByteView der, std::chrono::system_clock::time_point at) override {
        CmsPtr cms;
        try {
            cms = parseCms(der);
        } catch (const ChipError& e) {
            return PaResult::notAuthentic(e.what());
        }
        STACK_OF(CMS_SignerInfo)* signerInfos = CMS_get0_SignerInfos(cms.get());
        if (sk_CMS_SignerInfo_num(signerInfos) != 1)
            return PaResult::notAuthentic("EF.SOD does not carry exactly one signature");
        CertStackPtr certs(CMS_get1_certs(cms.get()));
        if (!certs || sk_X509_num(certs.get()) == 0)
            return PaResult::notChecked("EF.SOD carries no Document Signer certificate");

        // Signature and content digest here; the chain below, against the
        // trust store at the given time, so its failure can be told apart.
        const int verified = CMS_verify(cms.get(), nullptr, nullptr, nullptr, nullptr,
                                        CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY);
        const unsigned long reason = ERR_peek_last_error();
        ERR_clear_error();
        if (verified != 1) {
            if (ERR_GET_REASON(reason) == CMS_R_SIGNER_CERTIFICATE_NOT_FOUND)
                return PaResult::notChecked("EF.SOD carries no Document Signer certificate");
            if (ERR_GET_REASON(reason) == CMS_R_CONTENT_VERIFY_ERROR ||
                ERR_GET_REASON(reason) == CMS_R_VERIFICATION_FAILURE)
                return PaResult::notAuthentic(
                    "the signature over the security object does not verify");
            return PaResult::notChecked(std::string("the signature cannot be checked (") +
                                        ERR_reason_error_string(reason) + ")");
        }
        CertStackPtr signers(CMS_get0_signers(cms.get()));
        X509* signer = sk_X509_value(signers.get(), 0);
        if (!signer)
            return PaResult::notChecked("the Document Signer certificate is missing");
        const std::string signerName = commonName(signer);

        if (trusted_ == 0)
            return PaResult::notChecked("signed by " + signerName +
                                        ", but no trusted CSCA certificates" +
                                        (folder_.empty() ? std::string() : " in " + folder_));
        StoreCtxPtr context(X509_STORE_CTX_new());
        if (!context || X509_STORE_CTX_init(context.get(), store_.get(), signer, certs.get()) != 1)
            return PaResult::notChecked("the certificate chain cannot be checked");
        X509_STORE_CTX_set_verify_cb(context.get(), allowExplicitCurves);
        X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(context.get());
        X509_VERIFY_PARAM_set_time(param, std::chrono::system_clock::to_time_t(at));
        // Every CSCA in the store is an anchor: link certificates stand for themselves.
        X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_PARTIAL_CHAIN);
        const int chained = X509_verify_cert(context.get());
        const int error = X509_STORE_CTX_get_error(context.get());
        ERR_clear_error();
        if (chained != 1)
            return PaResult::notAuthentic(chainFailure(error));
        STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
        X509* anchor = sk_X509_value(chain, sk_X509_num(chain) - 1);
        if (anchor == signer)
            return PaResult::notAuthentic("the Document Signer is not issued by a trusted CSCA");
        return PaResult::authentic("signed by " + signerName + " under CSCA " + commonName(anchor));
    }

private:
    StorePtr store_;
    std::string folder_;
    int trusted_ = 0;
};

} // namespace

std::unique_ptr<SignedDataVerifier>
makeSignedDataVerifier(const std::filesystem::path& trustFolder) {
    return std::make_unique<OpenSslSignedDataVerifier>(trustFolder);
}

} // namespace readerlink::chip
