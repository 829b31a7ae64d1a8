// MRZ recognition on generated pages: random valid MRZs of every layout with
// random capture flaws. Reports the share read exactly (every line), the share
// read wrongly yet with every check digit holding, and the time per
// 2000-pixel-wide page; with `tesseract` on the PATH, Tesseract's figures on
// a sample of the same pages beside them.
//
//   bench_ocr [--pages=N] [--tesseract-pages=N] [--failures] [benchmark flags]

#include "page_render.h"
#include "reader/ocr/mrz_recognizer.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace readerlink;

int pageCount = 500;
int tesseractPages = 40;
bool showFailures = false;
std::string dumpFolder;
std::string onlyFlaw; // keep one kind of flaw, for finding what hurts

struct Page {
    ocr::GreyImage image;
    std::vector<std::string> expected;
    bool wide = false; // drawn 2000 pixels wide before turning
    pagerender::Degradations degrade;
    int dpi = 0;
};

const std::vector<Page>& pages() {
    static const std::vector<Page> all = [] {
        std::vector<Page> out;
        const mrz::Layout layouts[] = {mrz::Layout::TD1, mrz::Layout::TD2, mrz::Layout::TD3,
                                       mrz::Layout::MRVA, mrz::Layout::MRVB};
        const double widthMm[] = {101.6, 121.0, 141.0, 136.0, 121.0};
        for (int i = 0; i < pageCount; ++i) {
            std::mt19937 random(static_cast<unsigned>(1000 + i));
            const int which = static_cast<int>(random() % 5);
            pagerender::PageOrder order;
            order.seed = static_cast<unsigned>(random());
            order.mrz = pagerender::randomMrz(layouts[which], random);
            order.degrade = pagerender::randomDegradations(random);
            if (!onlyFlaw.empty()) {
                const pagerender::Degradations all = order.degrade;
                order.degrade = {};
                if (onlyFlaw == "blur")
                    order.degrade.blur = all.blur;
                if (onlyFlaw == "noise")
                    order.degrade.noise = all.noise;
                if (onlyFlaw == "turn")
                    order.degrade.rotation = all.rotation;
                if (onlyFlaw == "perspective")
                    order.degrade.perspective = all.perspective;
                if (onlyFlaw == "light")
                    order.degrade.unevenLight = all.unevenLight;
                if (onlyFlaw == "jpeg")
                    order.degrade.jpegQuality = all.jpegQuality;
                if (onlyFlaw == "background")
                    order.degrade.background = all.background;
                if (onlyFlaw == "text")
                    order.degrade.nearbyText = all.nearbyText;
                if (onlyFlaw == "bleed")
                    order.degrade.photoBleed = all.photoBleed;
            }
            const bool wide = random() % 4 != 0;
            order.dpi = wide ? static_cast<int>(2000 / widthMm[which] * 25.4)
                            : std::uniform_int_distribution<int>(150, 250)(random);
            out.push_back({pagerender::renderPage(order), order.mrz, wide, order.degrade, order.dpi});
        }
        return out;
    }();
    return all;
}

struct Figures {
    int pages = 0, exact = 0, wrongValid = 0, none = 0;
    double msWide = 0;
    int wideCount = 0;
};

const Figures& ourFigures() {
    static const Figures figures = [] {
        Figures f;
        // The glyph references are drawn at first use; that is start-up, not
        // the cost of a page.
        (void)ocr::recogniseMrz(pages().front().image);
        int index = 0;
        for (const Page& page : pages()) {
            const auto started = std::chrono::steady_clock::now();
            const ocr::PageReading reading = ocr::recogniseMrz(page.image);
            const double ms = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - started)
                                  .count();
            ++f.pages;
            if (page.wide) {
                f.msWide += ms;
                ++f.wideCount;
            }
            if (reading.lines == page.expected)
                ++f.exact;
            else if (reading.valid())
                ++f.wrongValid;
            if (reading.lines.empty())
                ++f.none;
            if (reading.lines != page.expected && showFailures) {
                std::cerr << "page " << index << (reading.valid() ? " WRONG BUT VALID" : "") << " ("
                          << page.image.width << "x" << page.image.height << ", "
                          << ocr::outcomeText(reading.outcome) << ") dpi " << page.dpi << " blur "
                          << page.degrade.blur << " noise " << page.degrade.noise << " turn "
                          << page.degrade.rotation << " persp " << page.degrade.perspective
                          << " light " << page.degrade.unevenLight << " jpeg "
                          << page.degrade.jpegQuality << (page.degrade.background ? " bg" : "")
                          << (page.degrade.nearbyText ? " text" : "")
                          << (page.degrade.photoBleed ? " bleed" : "") << "\n";
                if (!dumpFolder.empty())
                    pagerender::writeImage(page.image,
                                           dumpFolder + "/page" + std::to_string(index) + ".png");
                for (size_t l = 0; l < page.expected.size(); ++l)
                    std::cerr << "  want " << page.expected[l] << "\n  got  "
                              << (l < reading.lines.size() ? reading.lines[l] : "") << "\n";
            }
            ++index;
        }
        return f;
    }();
    return figures;
}

// Tesseract with the MRZ alphabet as the only characters and one block of
// text, on the first pages of the same set, process start included.
struct TesseractFigures {
    bool available = false;
    int pages = 0, exact = 0;
    double ms = 0;
};

std::string normalised(const std::string& text) {
    std::string out;
    for (char c : text)
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '<')
            out += c;
    return out;
}

const TesseractFigures& tesseractFigures() {
    static const TesseractFigures figures = [] {
        TesseractFigures f;
        if (std::system("tesseract --version >/dev/null 2>&1") != 0)
            return f;
        f.available = true;
        const auto folder = std::filesystem::temp_directory_path() / "readerlink-ocr-bench";
        std::filesystem::create_directories(folder);
        for (int i = 0; i < std::min<int>(tesseractPages, static_cast<int>(pages().size())); ++i) {
            const Page& page = pages()[static_cast<size_t>(i)];
            const auto image = folder / "page.png";
            const auto out = folder / "out";
            pagerender::writeImage(page.image, image.string());
            const std::string command =
                "tesseract " + image.string() + " " + out.string() +
                " -l eng --psm 6 -c tessedit_char_whitelist=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                "\\< >/dev/null 2>&1";
            const auto started = std::chrono::steady_clock::now();
            const int status = std::system(command.c_str());
            f.ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                              started)
                        .count();
            ++f.pages;
            if (status != 0)
                continue;
            std::ifstream in(out.string() + ".txt");
            std::stringstream text;
            text << in.rdbuf();
            std::string want;
            for (const auto& line : page.expected)
                want += line;
            // Exact when the MRZ lines appear, in order, among what it read.
            if (normalised(text.str()).find(want) != std::string::npos)
                ++f.exact;
        }
        std::filesystem::remove_all(folder);
        return f;
    }();
    return figures;
}

void BM_OcrPage(benchmark::State& state) {
    const Figures& f = ourFigures();
    std::vector<const Page*> wide;
    for (const Page& page : pages())
        if (page.wide)
            wide.push_back(&page);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ocr::recogniseMrz(wide[next]->image));
        next = (next + 1) % wide.size();
    }
    state.counters["pages"] = f.pages;
    state.counters["exact_share"] = static_cast<double>(f.exact) / f.pages;
    state.counters["wrong_valid_share"] = static_cast<double>(f.wrongValid) / f.pages;
    state.counters["no_mrz_share"] = static_cast<double>(f.none) / f.pages;
    state.counters["ms_per_wide_page"] = f.wideCount ? f.msWide / f.wideCount : 0;
    const TesseractFigures& t = tesseractFigures();
    if (t.available) {
        state.counters["tesseract_pages"] = t.pages;
        state.counters["tesseract_exact_share"] =
            t.pages ? static_cast<double>(t.exact) / t.pages : 0;
        state.counters["tesseract_ms_per_page"] = t.pages ? t.ms / t.pages : 0;
    }
}
BENCHMARK(BM_OcrPage)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("--pages="))
            pageCount = std::max(1, std::stoi(arg.substr(8)));
        else if (arg.starts_with("--tesseract-pages="))
            tesseractPages = std::stoi(arg.substr(18));
        else if (arg.starts_with("--dump="))
            dumpFolder = arg.substr(7);
        else if (arg.starts_with("--only="))
            onlyFlaw = arg.substr(7);
        else if (arg == "--failures")
            showFailures = true;
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
