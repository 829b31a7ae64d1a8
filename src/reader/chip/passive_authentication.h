#pragma once

// Passive Authentication: are the data groups read from a chip the ones its
// issuer signed? Each data group read must match its hash in EF.SOD, the
// security object must carry a valid signature of the Document Signer whose
// certificate travels in EF.SOD, and that certificate must chain to a CSCA
// the operator trusts. The answer is advice for the activity log; it never
// holds back what was read.

#include "reader/chip/bytes.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace readerlink::chip {

struct PaResult {
    enum class Outcome { Authentic, NotAuthentic, NotChecked };
    Outcome outcome = Outcome::NotChecked;
    // Authentic: what was checked and who signed; otherwise the reason.
    std::string detail;

    // "Chip data authentic (...)", "Chip data not authentic: ...",
    // "Chip data not checked: ...".
    std::string logLine() const;

    static PaResult authentic(std::string detail) {
        return {Outcome::Authentic, std::move(detail)};
    }
    static PaResult notAuthentic(std::string reason) {
        return {Outcome::NotAuthentic, std::move(reason)};
    }
    static PaResult notChecked(std::string reason) {
        return {Outcome::NotChecked, std::move(reason)};
    }
};

// The cryptography Passive Authentication needs, behind one seam so another
// platform's library can stand in for OpenSSL.
class SignedDataVerifier {
public:
    struct Content {
        std::string contentType; // dotted OID
        Bytes content;
    };

    virtual ~SignedDataVerifier() = default;

    // The signed content of a DER CMS SignedData, unverified.
    // MalformedDataError for anything else.
    virtual Content open(ByteView cms) = 0;

    // nullopt for a hash algorithm (dotted OID) this backend does not know.
    virtual std::optional<Bytes> digest(std::string_view algorithmOid, ByteView data) = 0;

    // The one signer's signature over the content, and its certificate's
    // chain to a trusted CSCA valid at `at`. Authentic names signer and CSCA.
    virtual PaResult verifySigner(ByteView cms, std::chrono::system_clock::time_point at) = 0;
};

// The platform's backend with the CSCA certificates (PEM or DER) and ICAO
// master lists found in `trustFolder`; an empty path or an empty folder
// trusts nothing (signatures are still checked, the result is "not
// checked"). The certificates inside a master list are taken as the
// operator's choice: the list's own signature is not checked.
std::unique_ptr<SignedDataVerifier>
makeSignedDataVerifier(const std::filesystem::path& trustFolder);

// Passive Authentication of the data groups read (1..16 -> file bytes)
// against EF.SOD as read from the chip (tag 77). Never throws for what a chip
// sends.
PaResult checkPassiveAuthentication(
    SignedDataVerifier& verifier, ByteView efSod, const std::map<int, Bytes>& dataGroups,
    std::chrono::system_clock::time_point at = std::chrono::system_clock::now());

} // namespace readerlink::chip
