#include "reader/chip/passive_authentication.h"

#include "reader/chip/chip_error.h"
#include "reader/chip/security_object.h"

namespace readerlink::chip {

namespace {

std::string groupList(const std::map<int, Bytes>& groups) {
    std::string text;
    for (const auto& entry : groups)
        text += (text.empty() ? "DG" : ", DG") + std::to_string(entry.first);
    return text;
}

} // namespace

std::string PaResult::logLine() const {
    switch (outcome) {
    case Outcome::Authentic:
        return "Chip data authentic (" + detail + ")";
    case Outcome::NotAuthentic:
        return "Chip data not authentic: " + detail;
    case Outcome::NotChecked:
        break;
    }
    return "Chip data not checked: " + detail;
}

PaResult checkPassiveAuthentication(SignedDataVerifier& verifier, ByteView efSod,
                                    const std::map<int, Bytes>& dataGroups,
                                    std::chrono::system_clock::time_point at) {
    if (efSod.empty())
        return PaResult::notChecked("the chip gave no EF.SOD");
    SecurityObject object;
    Bytes cms;
    try {
        cms = unwrapEfSod(efSod);
        const SignedDataVerifier::Content signedContent = verifier.open(cms);
        if (signedContent.contentType != kLdsSecurityObjectOid)
            return PaResult::notAuthentic("EF.SOD signs no LDS security object");
        object = parseSecurityObject(signedContent.content);
    } catch (const ChipError& e) {
        return PaResult::notAuthentic(e.what());
    }

    for (const auto& [group, bytes] : dataGroups) {
        const auto listed = object.dataGroupHashes.find(group);
        if (listed == object.dataGroupHashes.end())
            return PaResult::notAuthentic("DG" + std::to_string(group) + " has no hash in EF.SOD");
        const std::optional<Bytes> hash = verifier.digest(object.hashAlgorithm, bytes);
        if (!hash)
            return PaResult::notChecked("unknown hash algorithm " + object.hashAlgorithm);
        if (*hash != listed->second)
            return PaResult::notAuthentic("DG" + std::to_string(group) +
                                          " does not match its hash in EF.SOD");
    }

    PaResult signer = verifier.verifySigner(cms, at);
    if (signer.outcome != PaResult::Outcome::Authentic)
        return signer;
    const std::string checked =
        dataGroups.empty() ? std::string("no data groups") : groupList(dataGroups);
    return PaResult::authentic(checked + " match " + hashAlgorithmName(object.hashAlgorithm) +
                               " hashes; " + signer.detail);
}

} // namespace readerlink::chip
