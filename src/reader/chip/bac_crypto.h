#pragma once

// The cipher primitives of Basic Access Control and secure messaging, on
// OpenSSL 3's default provider: SHA-1, two-key 3DES in CBC mode with a zero
// IV, and the retail MAC (ISO/IEC 9797-1 MAC algorithm 3 with DES). Single
// DES lives only in OpenSSL's legacy provider, so the MAC's single-DES steps
// run as two-key 3DES with the key Ka|Ka, which computes the same block.

#include "reader/chip/bytes.h"

namespace readerlink::chip {

constexpr std::size_t kDesBlock = 8;

Bytes sha1(ByteView data);

// Each byte's lowest bit set so the byte has odd parity, as DES keys want.
Bytes withDesParity(ByteView key);

// `key` is 16 bytes (Ka|Kb); data a whole number of blocks.
Bytes tripleDesEncrypt(ByteView key, ByteView data);
Bytes tripleDesDecrypt(ByteView key, ByteView data);

// ISO/IEC 9797-1 padding method 2: 80 then zeros up to a block boundary
// (always at least one byte).
Bytes padIso9797(ByteView data);
// Reverses padIso9797; MalformedDataError when the padding is absent.
Bytes unpadIso9797(ByteView data);

// Retail MAC of `message` with padding method 2 applied here; 8 bytes.
Bytes retailMac(ByteView key, ByteView message);

// Comparison in time independent of where the first difference lies.
bool equalConstantTime(ByteView a, ByteView b);

} // namespace readerlink::chip
