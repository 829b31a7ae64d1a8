// A whole chip read (BAC, EF.COM, DG1, DG2, EF.SOD, Passive Authentication)
// in-process against the same chip served by readerlink-vicc through pcscd
// and vpcd, with short and with extended-length READ BINARY. Needs pcscd with
// vsmartcard-vpcd for the PC/SC rows (as root: pcscd -f -a); skipped without.

#include "pcsc_chip_read.h"
#include "reader/chip/card_capabilities.h"
#include "reader/chip/mrz_information.h"
#include "reader/chip/virtual_chip.h"
#include "specimen_chip.h"
#include "test_images.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace readerlink::chip {
namespace {

const std::vector<std::string> kLines{"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                                      "L898902C36UTO7408122F1204159ZE184226B<<<<<10"};
const std::string kReader = "Virtual PCD 00 00";

pid_t spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

// A specimen with a face of the given size, signed by make-specimen with a
// PKI of its own, in a folder that lives as long as the process.
std::filesystem::path specimenWithFace(std::size_t faceBytes) {
    static std::map<std::size_t, std::filesystem::path> made;
    if (auto found = made.find(faceBytes); found != made.end())
        return found->second;
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("readerlink-pcsc-bench-" + std::to_string(::getpid()) + "-" + std::to_string(faceBytes));
    std::filesystem::create_directories(folder);
    const Bytes face = testing::fakeJpeg(480, 640, faceBytes);
    std::ofstream(folder / "face.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(face.data()), face.size());
    std::ofstream(folder / "chip.json")
        << R"({"mrz": [")" << kLines[0] << R"(", ")" << kLines[1]
        << R"("], "chip": {"face": "face.jpg", "sod": "chip.sod"}})";
    const pid_t signer =
        spawn({READERLINK_MAKE_SPECIMEN, "--sod-only", (folder / "chip.json").string()});
    int status = 0;
    ::waitpid(signer, &status, 0);
    made[faceBytes] = folder / "chip.json";
    return made[faceBytes];
}

// Counts what crosses, READ BINARY apart.
class CountingTransport final : public ApduTransport {
public:
    explicit CountingTransport(ApduTransport& inner) : inner_(inner) {}
    Bytes transmit(ByteView command) override {
        ++apdus;
        if (command.size() > 1 && (command[1] == 0xB0 || command[1] == 0xB1))
            ++readBinary;
        return inner_.transmit(command);
    }
    std::size_t apdus = 0;
    std::size_t readBinary = 0;

private:
    ApduTransport& inner_;
};

void BM_WholeChipReadInProcess(benchmark::State& state) {
    const auto file = specimenWithFace(static_cast<std::size_t>(state.range(0)));
    const bool extended = state.range(1) != 0;
    VirtualChip chip(
        specimentool::chipDocumentOf(virtualreader::loadSpecimen(file, file.parent_path())));
    const auto random = makeSystemRandom();
    const std::string information = mrzInformationFromLines(kLines);
    CountingTransport counting(chip);
    for (auto _ : state) {
        counting.apdus = counting.readBinary = 0;
        BacReader reader(counting, *random);
        if (extended)
            reader.setChunkSize(securedReadSize(ExtendedLength{}));
        const auto verifier = makeSignedDataVerifier(file.parent_path() / "trust");
        const ChipReadout readout = readWholeChip(reader, information, *verifier);
        if (readout.passiveAuthentication.outcome != PaResult::Outcome::Authentic)
            state.SkipWithError(readout.passiveAuthentication.logLine().c_str());
    }
    state.counters["apdus"] = static_cast<double>(counting.apdus);
    state.counters["read_binary"] = static_cast<double>(counting.readBinary);
    // DG2 alone, SELECT included.
    BacReader reader(counting, *random);
    if (extended)
        reader.setChunkSize(securedReadSize(ExtendedLength{}));
    reader.performBac(information);
    counting.readBinary = 0;
    reader.readFile(2);
    state.counters["dg2_read_binary"] = static_cast<double>(counting.readBinary);
}
BENCHMARK(BM_WholeChipReadInProcess)
    ->ArgsProduct({{15000, 30000}, {0, 1}})
    ->ArgNames({"dg2", "extended"})
    ->Unit(benchmark::kMillisecond);

void BM_WholeChipReadThroughPcscd(benchmark::State& state) {
    const auto file = specimenWithFace(static_cast<std::size_t>(state.range(0)));
    const bool extended = state.range(1) != 0;
    std::optional<pcsc::PcscService> service;
    try {
        service.emplace();
        if (!service->waitForRemoval(kReader, std::chrono::seconds(10)))
            throw pcsc::PcscError(pcsc::PcscError::Kind::Failed, "a card is still in " + kReader);
    } catch (const pcsc::PcscError& e) {
        state.SkipWithError((std::string("needs pcscd with vsmartcard-vpcd: ") + e.what()).c_str());
        return;
    }
    const pid_t vicc = spawn({READERLINK_VICC, file.string()});
    try {
        service->waitForCard(kReader, std::chrono::seconds(10));
    } catch (const pcsc::PcscError& e) {
        state.SkipWithError(e.what());
    }
    chiptool::PcscReadOptions options;
    options.reader = kReader;
    options.trustFolder = file.parent_path() / "trust";
    options.allowExtendedLength = extended;
    const std::string information = mrzInformationFromLines(kLines);
    std::size_t exchanges = 0;
    for (auto _ : state) {
        try {
            const chiptool::PcscRead read =
                chiptool::readChipOverPcsc(*service, information, options);
            exchanges = read.exchanges;
            if (read.readout.passiveAuthentication.outcome != PaResult::Outcome::Authentic)
                state.SkipWithError(read.readout.passiveAuthentication.logLine().c_str());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
    }
    ::kill(vicc, SIGTERM);
    ::waitpid(vicc, nullptr, 0);
    state.counters["apdus"] = static_cast<double>(exchanges);
}

} // namespace
} // namespace readerlink::chip

int main(int argc, char** argv) {
    // The PC/SC rows exist only where pcscd answers: without it they are not
    // failures, just figures this machine cannot give.
    try {
        readerlink::pcsc::PcscService probe;
        benchmark::RegisterBenchmark("BM_WholeChipReadThroughPcscd",
                                     readerlink::chip::BM_WholeChipReadThroughPcscd)
            ->ArgsProduct({{15000, 30000}, {0, 1}})
            ->ArgNames({"dg2", "extended"})
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    } catch (const readerlink::pcsc::PcscError& e) {
        std::fprintf(stderr, "bench_pcsc: no PC/SC rows: %s\n", e.what());
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
