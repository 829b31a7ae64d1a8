#include "reader/chip/bac_keys.h"

#include "reader/chip/bac_crypto.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {

Bytes bacKeySeed(std::string_view mrzInformation) {
    if (mrzInformation.empty()) throw MalformedDataError("The MRZ information for BAC is empty");
    for (char c : mrzInformation) {
        const bool valid = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '<';
        if (!valid) throw MalformedDataError("The MRZ information for BAC holds an invalid character");
    }
    Bytes digest = sha1(view(mrzInformation));
    digest.resize(16);
    return digest;
}

Bytes deriveKey(ByteView keySeed, std::uint32_t counter) {
    Bytes input(keySeed.begin(), keySeed.end());
    for (int shift = 24; shift >= 0; shift -= 8) input.push_back(static_cast<std::uint8_t>(counter >> shift));
    Bytes digest = sha1(input);
    digest.resize(16);
    return withDesParity(digest);
}

KeyPair deriveKeys(ByteView keySeed) { return {deriveKey(keySeed, 1), deriveKey(keySeed, 2)}; }

KeyPair bacKeysFromMrzInformation(std::string_view mrzInformation) {
    return deriveKeys(bacKeySeed(mrzInformation));
}

std::uint64_t initialSendSequenceCounter(ByteView rndIc, ByteView rndIfd) {
    if (rndIc.size() != 8 || rndIfd.size() != 8) throw ChipError("BAC nonces must be 8 bytes");
    std::uint64_t ssc = 0;
    for (std::size_t i = 4; i < 8; ++i) ssc = ssc << 8 | rndIc[i];
    for (std::size_t i = 4; i < 8; ++i) ssc = ssc << 8 | rndIfd[i];
    return ssc;
}

} // namespace readerlink::chip
