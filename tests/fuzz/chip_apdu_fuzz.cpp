// The virtual chip's APDU handling: whatever a reader sends, plain or under
// secure messaging after a real BAC, the chip answers with a status word and
// never throws or crashes.
//
// Input: one flag byte (bit 0: run BAC first; bit 1: send the commands
// through the reader's secure messaging, so the chip's handlers see
// arbitrary commands behind a valid MAC), then commands, each preceded by
// its length byte.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "reader/chip/bac_reader.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/mrz_information.h"
#include "reader/chip/virtual_chip.h"

using namespace readerlink::chip;

namespace {

class CountingRandom final : public RandomSource {
public:
    Bytes bytes(std::size_t count) override {
        Bytes out(count);
        for (auto& b : out) b = static_cast<std::uint8_t>(next_++ * 37 + 11);
        return out;
    }

private:
    std::uint32_t next_ = 0;
};

const std::vector<std::string> kLines{"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                      "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};

ChipDocument document() {
    ChipDocument doc;
    doc.mrzLines = kLines;
    doc.faceImage = Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0xFF, 0xD9};
    doc.dataGroups = {1, 2, 14};
    return doc;
}

void checkAnswer(const Bytes& answer) {
    if (answer.size() < 2) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = bytes[0];
    VirtualChip chip(document(), std::make_unique<CountingRandom>());
    CountingRandom readerRandom;
    BacReader reader(chip, readerRandom);
    if (flags & 1) reader.performBac(mrzInformationFromLines(kLines));

    std::size_t pos = 1;
    while (pos < size) {
        const std::size_t length = bytes[pos++];
        const std::size_t take = std::min(length, size - pos);
        const ByteView command(bytes + pos, take);
        pos += take;
        if ((flags & 2) && reader.secured()) {
            try {
                CommandApdu apdu = CommandApdu::parse(command);
                apdu.cla &= static_cast<std::uint8_t>(~0x0C);
                reader.exchange(apdu);
            } catch (const ChipError&) {
                // Refusals are the chip's answer; the reader reports them as errors.
            }
        } else {
            checkAnswer(chip.transmit(command));
        }
    }
    return 0;
}
