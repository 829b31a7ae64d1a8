#pragma once

// Key derivation of Basic Access Control: the document basic access keys
// from the MRZ information, and the session keys from the key seed the two
// sides agree on.

#include <cstdint>
#include <string_view>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

struct KeyPair {
    Bytes enc; // 16 bytes, DES parity set
    Bytes mac; // 16 bytes, DES parity set
};

// The first 16 bytes of SHA-1 over the MRZ information: document number,
// its check digit, date of birth, its check digit, date of expiry, its
// check digit, as printed. MalformedDataError for an empty string or a
// character outside A-Z, 0-9 and "<".
Bytes bacKeySeed(std::string_view mrzInformation);

// SHA-1 of seed || counter (32-bit big-endian), first 16 bytes, parity set.
// Counter 1 gives the encryption key, 2 the MAC key.
Bytes deriveKey(ByteView keySeed, std::uint32_t counter);

KeyPair deriveKeys(ByteView keySeed);

// The document basic access keys.
KeyPair bacKeysFromMrzInformation(std::string_view mrzInformation);

// The send sequence counter that starts secure messaging: the last four
// bytes of RND.IC followed by the last four of RND.IFD.
std::uint64_t initialSendSequenceCounter(ByteView rndIc, ByteView rndIfd);

} // namespace readerlink::chip
