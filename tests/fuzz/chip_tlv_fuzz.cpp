// Chip file bytes as a forged or damaged chip could send them: the TLV parser
// and the LDS file parsers must either succeed or throw MalformedDataError.

#include <cstddef>
#include <cstdint>

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"

using namespace readerlink::chip;

namespace {

template <typename Parse>
void expectOnlyMalformed(Parse parse) {
    try {
        parse();
    } catch (const MalformedDataError&) {
    }
}

void walk(ByteView data, int depth) {
    for (const TlvObject& object : parseTlvSequence(data)) {
        if (object.size() > data.size()) __builtin_trap();
        if (object.constructed() && depth < 8) expectOnlyMalformed([&] { walk(object.value, depth + 1); });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const ByteView data(bytes, size);
    expectOnlyMalformed([&] { walk(data, 0); });
    expectOnlyMalformed([&] {
        if (const auto header = peekTlvHeader(data)) {
            const TlvObject object = parseTlv(data);
            if (object.tag != header->tag || object.value.size() != header->valueLength) __builtin_trap();
            // What parses must encode back to the same bytes when it was minimally encoded.
            const Bytes again = encodeTlv(object.tag, object.value);
            if (again.size() == object.size() && !std::equal(again.begin(), again.end(), data.begin()))
                __builtin_trap();
        }
    });
    expectOnlyMalformed([&] { fileMaskOf(parseEfCom(data)); });
    expectOnlyMalformed([&] { parseDg1(data); });
    expectOnlyMalformed([&] {
        const FaceImage face = parseDg2(data);
        if (face.data.size() > size) __builtin_trap();
    });
    return 0;
}
