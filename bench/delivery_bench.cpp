// Delivery figures: records per second and latency of one delivery to the
// reference host over the socket, and the cost of the keystroke path's text
// clean-up.

#include "common/activity_log.h"
#include "delivery/host_data_record.h"
#include "delivery/keystroke_text.h"
#include "delivery/send_data_to_app.h"
#include "platform/linux/unix_host_link.h"
#include "reference_host.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace readerlink;
using namespace readerlink::platform;

const std::u16string kLine1 = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::u16string kLine2 = u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";
const std::u16string kFramedMrz = u" " + kLine1 + u"\r\n" + kLine2 + u"\r\n";

// One reference host for the whole run, in a runtime folder of its own.
struct HostFixture {
    HostFixture() {
        char pattern[] = "/tmp/readerlink-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            std::abort();
        folder = pattern;
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        host = std::make_unique<testing::ReferenceHost>(std::vector<std::string>{"--quiet"});
    }
    ~HostFixture() {
        host.reset();
        std::filesystem::remove_all(folder);
    }
    std::string folder;
    std::unique_ptr<testing::ReferenceHost> host;
};

HostFixture& hostFixture() {
    static HostFixture fixture;
    return fixture;
}

void BM_HostDelivery(benchmark::State& state) {
    hostFixture();
    const auto link = makeUnixHostLink();
    const HostRecordBytes record = encodeHostDataRecord(kLine1 + kLine2);
    std::vector<double> micros;
    micros.reserve(1 << 16);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const HostSendResult result = link->send(0x4A00007, record);
        const auto end = std::chrono::steady_clock::now();
        if (result.outcome != HostDelivery::Answered) {
            state.SkipWithError("the reference host did not answer");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = micros.back();
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(micros.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HostDelivery)->UseRealTime()->MinTime(2.0);

void BM_HostRecordEncode(benchmark::State& state) {
    const std::u16string text = kLine1 + kLine2;
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeHostDataRecord(text));
}
BENCHMARK(BM_HostRecordEncode);

void BM_KeystrokeTextOneLine(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(keystrokeText(kFramedMrz, false));
}
BENCHMARK(BM_KeystrokeTextOneLine);

void BM_KeystrokeTextTwoLines(benchmark::State& state) {
    const std::u16string mrz = kLine1 + kLine2;
    for (auto _ : state)
        benchmark::DoNotOptimize(keystrokeText(mrz, true));
}
BENCHMARK(BM_KeystrokeTextTwoLines);

struct NullLog : ActivityLog {
    void log(std::u16string_view) override {}
    void logStatus(std::u16string_view) override {}
};

struct NoHost : HostLink {
    HostSendResult send(WindowId, const HostRecordBytes&) override { return {}; }
};

struct DirectTarget : DeliveryTarget {
    int selectedApplication() const override { return 1; } // "Direct"
    bool sendTwoLines() const override { return false; }
    WindowId mainWindowId() const override { return 0; }
};

// The whole keystroke path up to the engine: clean-up, the "@" test and the
// key string with Enter, with a sender that only takes the string.
void BM_DispatcherKeystrokePath(benchmark::State& state) {
    std::u16string scanData;
    DirectTarget target;
    NoHost host;
    NullLog log;
    std::size_t typed = 0;
    DeliveryDispatcher dispatcher(
        scanData, target,
        [&typed](std::u16string_view keys, bool) {
            typed += keys.size();
            return true;
        },
        host, log);
    for (auto _ : state) {
        scanData = kFramedMrz;
        dispatcher.SendDataToApp();
    }
    benchmark::DoNotOptimize(typed);
}
BENCHMARK(BM_DispatcherKeystrokePath);

} // namespace
