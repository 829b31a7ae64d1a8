// Cost of our own read workflow: whole passes over the scripted reader, whose
// calls cost next to nothing, so what is measured is the workflow, the
// archive's names and file tests, and the fake's tiny image files.
// Memory: resident set size after 10 and after 1,000 passes in a row.
// The picture folder is made under TMPDIR: on ext4, overwriting the same
// image names pass after pass costs milliseconds of flushing on close, which
// is the file system's share; TMPDIR=/dev/shm leaves only our own.

#include "support/fake_sdk.h"
#include "common/activity_log.h"
#include "common/message_loop.h"
#include "reader/image_archive.h"
#include "reader/read_workflow.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace {

using namespace readerlink;

class QuietStation final : public reader::ReaderWindow, public ActivityLog, public MessageLoop {
public:
    std::u16string folder;
    bool passport = false;
    std::size_t lines = 0;
    std::u16string statusBarText() const override { return u"Ready to capture ..."; }
    void setStatusBarText(std::u16string_view) override {}
    void setStatusLabel(std::u16string_view) override {}
    void placeImageView(reader::ImagePage, sdk::GxImage&) override {}
    void removeImageView(reader::ImagePage) override {}
    void endApplication() override {}
    void setErrorLabel(std::u16string_view, LabelColour) override {}
    int targetApplication() const override { return 0; }
    std::u16string pictureFolder() const override { return folder; }
    bool isPassport() const override { return passport; }
    void setIsPassport(bool value) override { passport = value; }
    void log(std::u16string_view) override { ++lines; }
    void logStatus(std::u16string_view) override { ++lines; }
    void processMessages() override {}
};

class FixedClock final : public reader::LocalClock {
public:
    reader::LocalDateTime now() override { return {2021, 2, 10, 11, 20, 27, 0}; }
    std::u16string decimalSeparator() override { return u"."; }
};

class NoConverter final : public reader::ConverterLauncher {
public:
    bool launchConverter(const std::u16string&) override { return true; }
};

const std::u16string kLine1 = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
const std::u16string kLine2 = u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";

struct Bench {
    std::string dir;
    fake::FakeReader reader;
    sdk::ReaderControls controls;
    QuietStation station;
    std::u16string scanData;
    std::size_t delivered = 0;
    reader::ReadContext context{station,  station,  station,
                              controls, scanData, [this] { ++delivered; }};
    FixedClock clock;
    NoConverter converter;
    reader::ImageArchive archive{context, clock, converter};
    reader::ReadWorkflow workflow{context, archive};

    explicit Bench(bool chip) : controls(reader.makeControls()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "readerlink-bench-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        station.folder = std::u16string(dir.begin(), dir.end());

        fake::FakeDocument page;
        page.fields = {
            {1001, kLine1}, {1002, kLine2}, {10102, u"ERIKSSON"}, {10103, u"ANNA MARIA"}};
        page.portrait = true;
        reader.documents[10] = page;
        reader.recognizeResults = {10};
        fake::FakeDocument mrz;
        mrz.fields = {{1001, kLine1}, {1002, kLine2}};
        reader.documents[11] = mrz;
        reader.getMrzResults = {11};
        if (chip) {
            reader.cardCount = 1;
            fake::FakeDocument com;
            com.fileMask = sdk::Variant{sdk::Variant::Kind::Integer, {}, 0b10000000000111};
            reader.documents[20] = com;
            fake::FakeDocument dg1;
            dg1.fields[4259840] = kLine1 + kLine2;
            reader.documents[21] = dg1;
            fake::FakeDocument dg2;
            dg2.portrait = true;
            reader.documents[22] = dg2;
            reader.documents[23] = fake::FakeDocument{};
            reader.documents[24] = fake::FakeDocument{};
            reader.resolveMrzTextResult = 23;
            reader.chipFiles = {{0, 20}, {1, 21}, {2, 22}, {13, 24}};
            reader.bacMrz = kLine1 + u"\r\n" + kLine2 + u"\r\n";
        }
    }
    ~Bench() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void pass() {
        workflow.ARH_CaptureAndRead();
        // The fake keeps every call for tests; a station keeps nothing.
        reader.calls.clear();
        reader.savedFiles.clear();
        reader.bacAttempts.clear();
        reader.bacDone = false;
    }
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

void BM_ReadPass(benchmark::State& state) {
    Bench bench(state.range(0) != 0);
    for (auto _ : state)
        bench.pass();
    state.counters["deliveries/pass"] =
        static_cast<double>(bench.delivered) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadPass)->ArgName("chip")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ThousandPassesMemory(benchmark::State& state) {
    for (auto _ : state) {
        Bench bench(true);
        long at10 = 0;
        for (int i = 1; i <= 1000; ++i) {
            bench.pass();
            if (i == 10)
                at10 = residentKiB();
        }
        state.counters["RSS_KiB_at_10"] = static_cast<double>(at10);
        state.counters["RSS_KiB_at_1000"] = static_cast<double>(residentKiB());
    }
}
BENCHMARK(BM_ThousandPassesMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
