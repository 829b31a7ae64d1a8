#pragma once

// Where the chip layer gets its nonces and key halves (RND.IFD, K.IFD on the
// reader side; RND.IC, K.IC on the card side). Injected so a test can replay
// a known exchange.

#include <cstddef>
#include <memory>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual Bytes bytes(std::size_t count) = 0;
};

// OpenSSL's CSPRNG.
std::unique_ptr<RandomSource> makeSystemRandom();

} // namespace readerlink::chip
