// Virtual reader figures: how soon a specimen landing on the glass reaches
// the "ready" handler (the deliberate gaps set to zero), and SaveImage's JPEG
// throughput against libjpeg-turbo's own encoder on the same picture.

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>

#include "common/text.h"
#include "reader/sdk/class_ids.h"
#include "reader/virtual/jpeg_codec.h"
#include "reader/virtual/virtual_control_factory.h"

namespace {

namespace fs = std::filesystem;
using namespace readerlink;
using namespace readerlink::virtualreader;

const fs::path kSpecimens = READERLINK_SPECIMENS_DIR;

// The bench thread plays the user-interface thread.
class LoopDispatcher : public UiThread {
public:
    void post(std::function<void()> task, std::chrono::milliseconds delay) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back({std::chrono::steady_clock::now() + delay, std::move(task)});
        ready_.notify_one();
    }
    void runOne() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !tasks_.empty(); });
        auto [due, task] = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        std::this_thread::sleep_until(due);
        task();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::pair<std::chrono::steady_clock::time_point, std::function<void()>>> tasks_;
};

struct StatusSink : sdk::PrApiEvents {
    void OnPREvent(int, int, int) override {}
    void OnTestDocEvent(int s) override { last = s; }
    int last = -1;
};

fs::path scratchFolder() {
    const fs::path shm = "/dev/shm";
    std::string pattern = ((fs::is_directory(shm) ? shm : fs::temp_directory_path()) / "readerlink-bench-XXXXXX").string();
    return ::mkdtemp(pattern.data());
}

void BM_SpecimenLandingToReady(benchmark::State& state) {
    const fs::path root = scratchFolder();
    LoopDispatcher dispatcher;
    VirtualReaderOptions options;
    options.specimensFolder = kSpecimens;
    options.glassFolder = root / "glass";
    options.dispatcher = &dispatcher;
    options.statusGap = std::chrono::milliseconds(0);
    VirtualControlFactory factory(options);
    auto api = factory.CreatePrApi(sdk::kPrApiClassId);
    StatusSink sink;
    api->Subscribe(&sink);
    api->UseDeviceN(0, 2);
    api->SetFreerunMode(4);
    const fs::path staged = root / "staged.json";
    const fs::path onGlass = options.glassFolder / "passport.json";
    for (auto _ : state) {
        fs::copy_file(kSpecimens / "td3-passport-chip.json", staged, fs::copy_options::overwrite_existing);
        const auto start = std::chrono::steady_clock::now();
        fs::rename(staged, onGlass); // lands whole, at once
        while (sink.last != 4)
            dispatcher.runOne();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        fs::remove(onGlass);
        while (sink.last != 0)
            dispatcher.runOne();
    }
    api.reset();
    fs::remove_all(root);
}
BENCHMARK(BM_SpecimenLandingToReady)->UseManualTime()->Unit(benchmark::kMicrosecond);

sdk::RgbImage pageOfSize(int width, int height) {
    JpegCodec codec;
    const auto page = codec.decode(*readFileBytes(kSpecimens / "images" / "td3-passport-chip-white.jpg"));
    sdk::RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                    page->rgb[(static_cast<std::size_t>(y % page->height) * page->width + x % page->width) * 3 + c];
    return image;
}

// A view showing `page`: a reader source with one captured picture.
void BM_SaveImage(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const fs::path root = scratchFolder();
    LoopDispatcher dispatcher;
    VirtualReaderOptions options;
    options.specimensFolder = kSpecimens;
    options.glassFolder = root / "glass";
    options.dispatcher = &dispatcher;
    VirtualControlFactory factory(options);
    auto api = factory.CreatePrApi(sdk::kPrApiClassId);
    auto view = factory.CreateGxImage(sdk::kGxImageClassId);
    view->SetImgSrcParam(u"Original,White");
    view->Connect(api->GetImageSource(), api->GetSourceHandle());
    api->UseDeviceN(0, 2);
    // A page of the wanted size lies on the glass.
    const auto page = pageOfSize(width, height);
    fs::create_directories(root / "pages");
    JpegCodec codec;
    writeFileBytes(root / "pages" / "page.jpg", codec.encode(page, 95));
    std::FILE* f = std::fopen((options.glassFolder / "page.json").c_str(), "w");
    std::fprintf(f, "{\"mrz\": [], \"pages\": {\"white\": \"%s\"}}", (root / "pages" / "page.jpg").c_str());
    std::fclose(f);
    while (view->XSize() == 0) {
        dispatcher.runOne();
        api->Capture();
    }
    const auto target = fromUtf8((root / "out.jpg").string());
    for (auto _ : state)
        benchmark::DoNotOptimize(view->SaveImage(target, 2));
    state.counters["MP/s"] = benchmark::Counter(double(width) * height * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
    api.reset();
    fs::remove_all(root);
}

// libjpeg-turbo alone on the same pixels with the same settings.
void BM_TurboJpegEncoder(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const auto page = pageOfSize(width, height);
    tjhandle handle = tjInitCompress();
    for (auto _ : state) {
        unsigned char* out = nullptr;
        unsigned long size = 0;
        tjCompress2(handle, page.rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420, 90, 0);
        benchmark::DoNotOptimize(size);
        tjFree(out);
    }
    tjDestroy(handle);
    state.counters["MP/s"] = benchmark::Counter(double(width) * height * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SaveImage)->Args({640, 448})->Args({2000, 1400})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurboJpegEncoder)->Args({640, 448})->Args({2000, 1400})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
