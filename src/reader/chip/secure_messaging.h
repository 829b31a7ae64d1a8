#pragma once

// Secure messaging after BAC: command data encrypted in DO'87', the expected
// length in DO'97', the status word in DO'99', all bound by a retail MAC in
// DO'8E' over the send sequence counter (SSC). Both ends are here: the reader
// protects commands and checks responses, the chip checks commands and
// protects responses. Each step counts the SSC up by one, so the two ends
// stay in step as long as every exchange completes.

#include <cstdint>

#include "reader/chip/apdu.h"
#include "reader/chip/bac_keys.h"
#include "reader/chip/bytes.h"

namespace readerlink::chip {

class SecureMessaging {
public:
    SecureMessaging(KeyPair sessionKeys, std::uint64_t sendSequenceCounter);

    std::uint64_t sendSequenceCounter() const { return ssc_; }
    const KeyPair& sessionKeys() const { return keys_; }

    // Reader side. `plain` has no secure-messaging bits in its class byte.
    CommandApdu protectCommand(const CommandApdu& plain);
    // The plain response inside a protected one. A response without data
    // objects is a chip's plain error status and comes back as it is (a plain
    // success is refused). Throws SecureMessagingError for a wrong MAC or
    // malformed objects.
    ResponseApdu unprotectResponse(const ResponseApdu& response);

    // Chip side. Throws SecureMessagingError carrying the status word to
    // answer with.
    CommandApdu unprotectCommand(const CommandApdu& command);
    ResponseApdu protectResponse(const ResponseApdu& plain);

private:
    // Counts up and returns the counter as its eight bytes.
    Bytes nextCounter();
    Bytes encryptedDataObject(std::uint32_t tag, ByteView plain) const;
    Bytes decryptDataObject(std::uint32_t tag, ByteView value) const;

    KeyPair keys_;
    std::uint64_t ssc_;
};

} // namespace readerlink::chip
