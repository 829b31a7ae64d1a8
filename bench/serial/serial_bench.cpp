// Serial port figures: idle wake-ups of the event thread, throughput of a
// 64 KiB burst, and when a burst is delivered by the real-time channel.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "common/codepage1252.h"
#include "platform/linux/posix_serial_device.h"
#include "serial/serial_channel.h"
#include "support/pty_pair.h"
#include "support/recorders.h"
#include "../../tests/support/temp_dir.h"
#include "support/test_loop.h"

namespace readerlink::serial {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::set<int> threadIds() {
    std::set<int> ids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                ids.insert(std::stoi(e->d_name));
        closedir(dir);
    }
    return ids;
}

// Voluntary plus involuntary context switches of one thread.
long contextSwitches(int tid) {
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    long total = 0;
    std::string line;
    while (std::getline(status, line))
        if (line.find("ctxt_switches:") != std::string::npos)
            total += std::stol(line.substr(line.find(':') + 1));
    return total;
}

struct Rig {
    Rig() {
        ports.link("COM1", pty.slavePath());
        devices = platform::makePosixSerialDeviceFactory({{}, ports.path()});
        port = std::make_unique<ComPort>(*devices, loop);
        ConfigureForMrzReader(*port);
        port->SetPort(u"COM1");
    }
    testing::TestLoop loop;
    testing::PtyPair pty;
    testing::TempDir ports;
    std::unique_ptr<SerialDeviceFactory> devices;
    std::unique_ptr<ComPort> port;
};

void BM_IdleEventThreadWakeups(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        const std::set<int> before = threadIds();
        rig.port->Open();
        std::vector<int> added;
        for (int id : threadIds())
            if (!before.count(id))
                added.push_back(id);
        if (added.size() != 1) {
            state.SkipWithError("cannot tell the event thread");
            break;
        }
        std::this_thread::sleep_for(200ms); // let it settle into its wait
        const long start = contextSwitches(added[0]);
        std::this_thread::sleep_for(10s);
        state.counters["wakeups_in_10s"] = static_cast<double>(contextSwitches(added[0]) - start);
        rig.port->Close();
    }
}
BENCHMARK(BM_IdleEventThreadWakeups)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Throughput64KiB(benchmark::State& state) {
    Rig rig;
    std::string sent(65536, '\0');
    std::mt19937 random(7);
    std::generate(sent.begin(), sent.end(), [&] { return static_cast<char>(random()); });
    // One character per byte, each byte to its own character: equal texts mean equal bytes.
    const std::u16string expected = decodeWindows1252(sent);
    std::u16string received;
    rig.port->OnRxChar = [&](CustomComPort& port, int count) {
        std::u16string text;
        port.ReadStr(text, count);
        received += text;
    };
    rig.port->Open();
    for (auto _ : state) {
        received.clear();
        const auto start = Clock::now();
        std::thread writer([&] { rig.pty.write(sent); });
        const bool all = rig.loop.runUntil([&] { return received.size() >= sent.size(); }, 30s);
        const auto elapsed = Clock::now() - start;
        writer.join();
        if (!all || received != expected) {
            state.SkipWithError("bytes lost or changed");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 65536);
}
BENCHMARK(BM_Throughput64KiB)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_DeliveryTiming(benchmark::State& state) {
    Rig rig;
    auto timer = rig.loop.makeTimer(1000ms);
    std::u16string scanData;
    testing::RecordingLog log;
    testing::RecordingDialogs dialogs;
    Clock::time_point deliveredAt;
    int deliveries = 0;
    SerialChannel channel(*rig.port, *timer, scanData, log, dialogs,
                          [&] {
                              deliveredAt = Clock::now();
                              ++deliveries;
                          },
                          [] { return ReaderChoice{static_cast<int>(ReaderKind::Handheld)}; });
    channel.Connect(1);
    std::vector<double> offsets; // delivery minus first byte, in ms
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            const int before = deliveries;
            const auto first = Clock::now();
            rig.pty.write("P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<");
            rig.loop.runUntil([] { return false; }, 100ms); // the rest of the burst comes later
            rig.pty.write("L898902C36UTO7408122F1204159ZE184226B<<<<<10\r\n");
            if (!rig.loop.runUntil([&] { return deliveries > before; }, 5s)) {
                state.SkipWithError("not delivered");
                return;
            }
            offsets.push_back(std::chrono::duration<double, std::milli>(deliveredAt - first).count());
        }
    }
    std::sort(offsets.begin(), offsets.end());
    double worst = 0;
    for (double o : offsets)
        worst = std::max(worst, std::abs(o - 1000.0));
    state.counters["median_ms"] = offsets[offsets.size() / 2];
    state.counters["worst_off_1000ms"] = worst;
    state.counters["bursts"] = static_cast<double>(offsets.size());
}
BENCHMARK(BM_DeliveryTiming)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace readerlink::serial

BENCHMARK_MAIN();
