// One whole read on the virtual reader with its real chip (BAC, secure
// messaging, JPEG 2000 or JPEG faces), as the station runs it: the reader
// events' handler, the read workflow, the archive, the delivery dispatcher.
// Timed from the read's start (what status 4 starts) to its last delivery,
// split by a timing decorator around the SDK controls into
//   sdk  - time inside the reader's calls other than SaveImage (capture,
//          recognition, the chip: BAC and secure messaging, decoding),
//   jpeg - time inside SaveImage (JPEG encoding and the file written),
//   own  - the rest: workflow, archive names and folder tests, log, delivery.
// Targets: own < 10% of the whole; a whole pass with chip < 150 ms.
// Memory: resident set size at pass 10 and at pass 1,000 of one run.
// The picture folder is made under TMPDIR (see read_pass_bench.cpp: on ext4,
// replacing the same image names pass after pass costs the file system
// milliseconds of flushing; TMPDIR=/dev/shm leaves that out).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "support/faulty_controls.h"
#include "../tests/reader/station/process_stats.h"
#include "../tests/reader/station/virtual_station.h"

namespace {

using namespace readerlink::station_test;
using namespace readerlink::reader::testing;
using Clock = std::chrono::steady_clock;

struct TimedStation {
    FaultPlan plan;
    VirtualStation station;

    explicit TimedStation(const std::string& specimen) : station(options()) {
        station.connect();
        station.read(specimenFile(specimen));
        if (station.deliveries().empty())
            throw std::runtime_error("the specimen gave no read");
    }

    StationOptions options() {
        StationOptions o;
        o.decorate = [this](readerlink::sdk::ControlFactory& inner) { return makeFaultInjectingFactory(inner, plan); };
        o.keepLog = false;
        return o;
    }

    struct Split {
        double total = 0, sdk = 0, jpeg = 0;
    };

    Split pass() {
        plan.arm(std::nullopt, 0);
        const auto start = Clock::now();
        station.readAgain();
        Split split;
        split.total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        for (const auto& [call, spent] : plan.timeSpent()) {
            const double ms = std::chrono::duration<double, std::milli>(spent).count();
            (call.size() > 10 && call.compare(call.size() - 10, 10, ".SaveImage") == 0 ? split.jpeg : split.sdk) += ms;
        }
        return split;
    }
};

void readPass(benchmark::State& state, const std::string& specimen) {
    TimedStation timed(specimen);
    double total = 0, sdk = 0, jpeg = 0;
    for (auto _ : state) {
        const auto split = timed.pass();
        total += split.total;
        sdk += split.sdk;
        jpeg += split.jpeg;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pass_ms"] = total / n;
    state.counters["sdk_ms"] = sdk / n;
    state.counters["jpeg_ms"] = jpeg / n;
    state.counters["own_ms"] = (total - sdk - jpeg) / n;
    state.counters["own_pct"] = 100.0 * (total - sdk - jpeg) / total;
    state.counters["target_pass_ms"] = 150;
    state.counters["target_own_pct"] = 10;
}

void BM_ReadPassWithChip(benchmark::State& state) { readPass(state, "td3-passport-chip.json"); }
void BM_ReadPassWithJpeg2000Chip(benchmark::State& state) { readPass(state, "td3-chip-jpeg2000-face.json"); }
void BM_ReadPassWithoutChip(benchmark::State& state) { readPass(state, "td3-passport.json"); }
BENCHMARK(BM_ReadPassWithChip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPassWithJpeg2000Chip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPassWithoutChip)->Unit(benchmark::kMillisecond);

// 1,000 chip reads in a row: resident memory after 10 and after 1,000.
void BM_ThousandChipPassesRss(benchmark::State& state) {
    for (auto _ : state) {
        TimedStation timed("td3-passport-chip.json");
        std::size_t at10 = 0;
        for (int pass = 2; pass <= 1000; ++pass) {
            timed.station.readAgain();
            if (pass == 10)
                at10 = readerlink::station_test::residentBytes();
        }
        const std::size_t at1000 = readerlink::station_test::residentBytes();
        state.counters["rss_10_MiB"] = at10 / 1048576.0;
        state.counters["rss_1000_MiB"] = at1000 / 1048576.0;
        state.counters["growth_KiB"] = (static_cast<double>(at1000) - static_cast<double>(at10)) / 1024.0;
        state.counters["target_growth_KiB"] = 5 * 1024;
    }
}
BENCHMARK(BM_ThousandChipPassesRss)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
