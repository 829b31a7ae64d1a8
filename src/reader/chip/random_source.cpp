#include "reader/chip/random_source.h"

#include <openssl/rand.h>

#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

class SystemRandom final : public RandomSource {
public:
    Bytes bytes(std::size_t count) override {
        Bytes out(count);
        if (count > 0 && RAND_bytes(out.data(), static_cast<int>(count)) != 1)
            throw ChipError("No random numbers available for the chip session");
        return out;
    }
};

} // namespace

std::unique_ptr<RandomSource> makeSystemRandom() { return std::make_unique<SystemRandom>(); }

} // namespace readerlink::chip
