// The chip layer's share of a read pass: BAC and reading EF.COM, DG1 and a
// DG2 portrait from the virtual chip, and decoding a JPEG 2000 portrait.

#include <benchmark/benchmark.h>

#include "reader/chip/bac_reader.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"
#include "reader/chip/jpeg2000_decoder.h"
#include "reader/chip/mrz_information.h"
#include "reader/chip/virtual_chip.h"
#include "test_images.h"

namespace readerlink::chip {
namespace {

const std::vector<std::string> kLines{"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                      "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};

ChipDocument portraitDocument(std::size_t portraitBytes) {
    ChipDocument document;
    document.mrzLines = kLines;
    document.faceImage = testing::fakeJpeg(480, 640, portraitBytes);
    return document;
}

void BM_Bac(benchmark::State& state) {
    VirtualChip chip(portraitDocument(1000));
    auto random = makeSystemRandom();
    const std::string information = mrzInformationFromLines(kLines);
    for (auto _ : state) {
        BacReader reader(chip, *random);
        reader.performBac(information);
    }
}
BENCHMARK(BM_Bac)->Unit(benchmark::kMillisecond);

// BAC, then every file the mask names, parsed: what one chip read costs.
void BM_ReadChip(benchmark::State& state) {
    VirtualChip chip(portraitDocument(static_cast<std::size_t>(state.range(0))));
    auto random = makeSystemRandom();
    const std::string information = mrzInformationFromLines(kLines);
    for (auto _ : state) {
        BacReader reader(chip, *random);
        reader.performBac(information);
        const std::uint32_t mask = fileMaskOf(parseEfCom(reader.readFile(0)));
        benchmark::DoNotOptimize(mask);
        benchmark::DoNotOptimize(parseDg1(reader.readFile(1)));
        benchmark::DoNotOptimize(parseDg2(reader.readFile(2)));
    }
}
BENCHMARK(BM_ReadChip)->Arg(15000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg2000Portrait(benchmark::State& state) {
    const Bytes portrait = testing::encodeJpeg2000(testing::testPattern(480, 640), testing::Jpeg2000Container::Jp2File,
                                                   3, 40.0f);
    state.counters["bytes"] = static_cast<double>(portrait.size());
    for (auto _ : state) benchmark::DoNotOptimize(decodeJpeg2000(portrait));
}
BENCHMARK(BM_DecodeJpeg2000Portrait)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace readerlink::chip

BENCHMARK_MAIN();
