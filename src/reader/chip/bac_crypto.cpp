#include "reader/chip/bac_crypto.h"

#include <memory>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

void requireKey(ByteView key) {
    if (key.size() != 16) throw ChipError("3DES key must be 16 bytes");
}

void requireBlocks(ByteView data) {
    if (data.size() % kDesBlock != 0) throw ChipError("3DES data is not a whole number of blocks");
}

// Two-key 3DES over whole blocks, no padding; CBC with a zero IV or ECB.
Bytes runCipher(const EVP_CIPHER* cipher, ByteView key, ByteView data, bool encrypt) {
    requireKey(key);
    requireBlocks(data);
    CipherContext context(EVP_CIPHER_CTX_new());
    const unsigned char zeroIv[kDesBlock] = {};
    if (!context ||
        EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), zeroIv, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        throw ChipError("OpenSSL could not set up 3DES");
    Bytes out(data.size() + kDesBlock);
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(data.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), out.data() + written, &finalWritten) != 1)
        throw ChipError("OpenSSL 3DES failed");
    out.resize(static_cast<std::size_t>(written + finalWritten));
    return out;
}

} // namespace

Bytes sha1(ByteView data) {
    Bytes digest(SHA_DIGEST_LENGTH);
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1)
        throw ChipError("OpenSSL SHA-1 failed");
    return digest;
}

Bytes withDesParity(ByteView key) {
    Bytes adjusted(key.begin(), key.end());
    for (std::uint8_t& b : adjusted) {
        const int ones = __builtin_popcount(b & 0xFE);
        b = static_cast<std::uint8_t>((b & 0xFE) | (ones % 2 == 0 ? 1 : 0));
    }
    return adjusted;
}

Bytes tripleDesEncrypt(ByteView key, ByteView data) {
    return runCipher(EVP_des_ede_cbc(), key, data, true);
}

Bytes tripleDesDecrypt(ByteView key, ByteView data) {
    return runCipher(EVP_des_ede_cbc(), key, data, false);
}

Bytes padIso9797(ByteView data) {
    Bytes out(data.begin(), data.end());
    out.push_back(0x80);
    while (out.size() % kDesBlock != 0) out.push_back(0x00);
    return out;
}

Bytes unpadIso9797(ByteView data) {
    std::size_t end = data.size();
    while (end > 0 && data[end - 1] == 0x00) --end;
    if (end == 0 || data[end - 1] != 0x80 || data.size() - end >= kDesBlock)
        throw MalformedDataError("Malformed padding in encrypted data");
    return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(end - 1));
}

Bytes retailMac(ByteView key, ByteView message) {
    requireKey(key);
    const Bytes padded = padIso9797(message);
    const ByteView ka = key.first(8);
    const Bytes kaKa = concat({ka, ka});
    // All blocks but the last: single-DES CBC under Ka.
    const std::size_t leading = padded.size() - kDesBlock;
    Bytes chain(kDesBlock, 0);
    if (leading > 0) {
        const Bytes cbc = runCipher(EVP_des_ede_cbc(), kaKa, ByteView(padded).first(leading), true);
        chain.assign(cbc.end() - kDesBlock, cbc.end());
    }
    // Last block: E(Ka) D(Kb) E(Ka), which is 3DES under Ka|Kb.
    for (std::size_t i = 0; i < kDesBlock; ++i) chain[i] ^= padded[leading + i];
    return runCipher(EVP_des_ede_ecb(), key, chain, true);
}

bool equalConstantTime(ByteView a, ByteView b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace readerlink::chip
