// EF.SOD as a forged or damaged chip could send it: the security object
// parser, OpenSSL's CMS parsing and the whole Passive Authentication must
// give a result (or MalformedDataError from the parser) and never crash.

#include "reader/chip/chip_error.h"
#include "reader/chip/passive_authentication.h"
#include "reader/chip/security_object.h"

#include <cstddef>
#include <cstdint>

using namespace readerlink::chip;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const auto verifier = makeSignedDataVerifier({});
    const ByteView data(bytes, size);
    try {
        const SecurityObject object = parseSecurityObject(data);
        if (object.dataGroupHashes.empty())
            __builtin_trap();
    } catch (const MalformedDataError&) {
    }
    const std::map<int, Bytes> groups{{1, Bytes{0x61, 0x00}}, {2, Bytes{0x75, 0x00}}};
    const PaResult result = checkPassiveAuthentication(*verifier, data, groups);
    // Nothing a chip sends may pass without a trusted CSCA.
    if (result.outcome == PaResult::Outcome::Authentic)
        __builtin_trap();
    return 0;
}
