#include "reader/ocr/mrz_recognizer.h"

#include "reader/ocr/glyph_cells.h"
#include "reader/ocr/glyph_classifier.h"
#include "reader/ocr/mrz_band.h"
#include "reader/ocr/mrz_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <numbers>

namespace readerlink::ocr {

namespace {

// Below this mean correlation the rows are print of some other kind.
constexpr float kMinimumMeanScore = 0.45f;
constexpr int kSuper = 3; // samples per feature cell and axis

double bilinear(const GreyImage& page, double x, double y) {
    x -= 0.5;
    y -= 0.5;
    if (x < 0 || y < 0 || x >= page.width - 1 || y >= page.height - 1) {
        const int cx = std::clamp(static_cast<int>(std::lround(x)), 0, page.width - 1);
        const int cy = std::clamp(static_cast<int>(std::lround(y)), 0, page.height - 1);
        return page.at(cx, cy);
    }
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const double fx = x - x0, fy = y - y0;
    const double top = page.at(x0, y0) * (1 - fx) + page.at(x0 + 1, y0) * fx;
    const double bottom = page.at(x0, y0 + 1) * (1 - fx) + page.at(x0 + 1, y0 + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

CellFeatures sampleAt(const GreyImage& page, const detail::Frame& frame, const detail::BandLine& line, size_t k,
                      double centreX, bool upsideDown) {
    const double scale = line.pitch / detail::kGlyphCellWidth;
    const double x0 = centreX - line.pitch / 2;
    // Upside down the baseline is the row's upper edge as it lies, and the
    // cell is read turned half round afterwards.
    const double y0 = upsideDown ? line.top[k] - (detail::kGlyphCellHeight - detail::kGlyphBaseline) * scale
                                 : line.bottom[k] - detail::kGlyphBaseline * scale;
    const double cellH = detail::kGlyphCellHeight * scale;
    const double stepX = line.pitch / (kFeatureWidth * kSuper), stepY = cellH / (kFeatureHeight * kSuper);
    CellFeatures f{};
    for (int fy = 0; fy < kFeatureHeight; ++fy)
        for (int fx = 0; fx < kFeatureWidth; ++fx) {
            double sum = 0;
            for (int sy = 0; sy < kSuper; ++sy)
                for (int sx = 0; sx < kSuper; ++sx) {
                    double px, py;
                    frame.toPage(x0 + (fx * kSuper + sx + 0.5) * stepX, y0 + (fy * kSuper + sy + 0.5) * stepY, px, py);
                    sum += 255.0 - bilinear(page, px, py);
                }
            f[static_cast<size_t>(fy * kFeatureWidth + fx)] = static_cast<float>(sum);
        }
    return f;
}

// Horizontal centre of the ink's mass, in feature columns from the middle.
double inkOffset(const CellFeatures& f) {
    const float paper = *std::min_element(f.begin(), f.end());
    double mass = 0, moment = 0;
    for (int fy = 0; fy < kFeatureHeight; ++fy)
        for (int fx = 0; fx < kFeatureWidth; ++fx) {
            const double v = f[static_cast<size_t>(fy * kFeatureWidth + fx)] - paper;
            mass += v;
            moment += v * (fx + 0.5);
        }
    return mass > 0 ? moment / mass - kFeatureWidth / 2.0 : 0.0;
}

// Ink of one cell as it lies on the deskewed page, centred on the ink's
// mass as the references are.
CellFeatures sampleCell(const GreyImage& page, const detail::Frame& frame, const detail::BandLine& line, size_t k,
                        bool upsideDown) {
    double centre = line.cellX[k];
    CellFeatures f = sampleAt(page, frame, line, k, centre, upsideDown);
    for (int round = 0; round < 2; ++round) {
        const double shift = std::clamp(inkOffset(f), -2.5, 2.5) * line.pitch / kFeatureWidth;
        if (std::abs(shift) < 0.05 * line.pitch / kFeatureWidth)
            break;
        centre += shift;
        f = sampleAt(page, frame, line, k, centre, upsideDown);
    }
    return f;
}

CellFeatures turned(const CellFeatures& f) {
    CellFeatures out;
    std::reverse_copy(f.begin(), f.end(), out.begin());
    return out;
}

// The band's cells in reading order, normalised; upside down the rows and
// cells come in reverse and each cell turned half round.
std::vector<std::vector<CellFeatures>> readingOrder(const std::vector<std::vector<CellFeatures>>& cells,
                                                    bool upsideDown) {
    std::vector<std::vector<CellFeatures>> out;
    for (size_t r = 0; r < cells.size(); ++r) {
        const auto& row = cells[upsideDown ? cells.size() - 1 - r : r];
        std::vector<CellFeatures> line;
        for (size_t i = 0; i < row.size(); ++i) {
            CellFeatures f = upsideDown ? turned(row[row.size() - 1 - i]) : row[i];
            if (!normaliseFeatures(f))
                f.fill(0.0f);
            line.push_back(f);
        }
        out.push_back(std::move(line));
    }
    return out;
}

struct Orientation {
    std::vector<std::vector<GlyphScores>> scores;
    float mean = 0;
    bool upsideDown = false;
};

// `cells[u]`: the band's cells as they lie, sampled for reading upright
// (u = 0) or upside down (u = 1).
Orientation classifyBand(const std::array<std::vector<std::vector<CellFeatures>>, 2>& cells) {
    // Which way up and which stroke weight and blur, from every other cell.
    Orientation result;
    float bestTotal = -1e30f;
    int variant = 0;
    std::vector<std::vector<CellFeatures>> chosen;
    for (bool upsideDown : {false, true}) {
        auto ordered = readingOrder(cells[upsideDown ? 1 : 0], upsideDown);
        std::vector<CellFeatures> sample;
        for (const auto& line : ordered)
            for (size_t i = 0; i < line.size(); i += 2)
                sample.push_back(line[i]);
        float total = 0;
        const int v = bestVariant(sample, &total);
        if (std::getenv("OCRDEBUG")) std::fprintf(stderr, "upside %d variant %d total %f cells %zu\n", upsideDown, v, total, sample.size());
        if (total > bestTotal) {
            bestTotal = total;
            variant = v;
            result.upsideDown = upsideDown;
            chosen = std::move(ordered);
        }
    }
    float sum = 0;
    int count = 0;
    for (const auto& line : chosen) {
        std::vector<GlyphScores> row;
        for (const CellFeatures& f : line) {
            row.push_back(classifyCell(f, variant));
            sum += *std::max_element(row.back().begin(), row.back().end());
            ++count;
        }
        result.scores.push_back(std::move(row));
    }
    if (const char* cellEnv = std::getenv("OCRCELL")) {
        const int line = cellEnv[0] - '0', pos = std::atoi(cellEnv + 2);
        const CellFeatures& f = std::getenv("OCRFLIP") ? readingOrder(cells[1], true)[line][pos] : chosen[line][pos];
        for (int y = 0; y < kFeatureHeight; ++y) {
            for (int x = 0; x < kFeatureWidth; ++x) {
                const float v = f[y * kFeatureWidth + x];
                std::fputc(v > 0.08 ? '#' : v > 0.02 ? '+' : v > -0.02 ? '.' : ' ', stderr);
            }
            std::fputc('\n', stderr);
        }
    }
    if (std::getenv("OCRDEBUG")) {
        std::fprintf(stderr, "variant %d upside %d\n", variant, result.upsideDown);
        for (const auto& row : result.scores) {
            for (const auto& sc : row) {
                int a = 0, b = 1;
                for (int g = 0; g < 37; ++g) if (sc[g] > sc[a]) a = g;
                if (a == b) b = 0;
                for (int g = 0; g < 37; ++g) if (g != a && sc[g] > sc[b]) b = g;
                std::fprintf(stderr, "%c%.2f/%c%.2f ", glyphChar(a), sc[a], glyphChar(b), sc[b]);
            }
            std::fprintf(stderr, "\n");
        }
    }
    result.mean = count ? sum / static_cast<float>(count) : 0.0f;
    return result;
}

} // namespace

bool PageReading::valid() const {
    return outcome == PageOutcome::Mrz && !lineValid.empty() &&
           std::all_of(lineValid.begin(), lineValid.end(), [](bool v) { return v; });
}

const char* outcomeText(PageOutcome outcome) {
    switch (outcome) {
    case PageOutcome::Mrz:
        return "MRZ found";
    case PageOutcome::NoMrz:
        return "No MRZ found";
    case PageOutcome::SeveralDocuments:
        return "More than one document on the page";
    }
    return "";
}

PageReading recogniseMrz(const GreyImage& page) {
    PageReading reading;
    if (page.width <= 0 || page.height <= 0 ||
        page.pixels.size() < static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
        return reading;
    const detail::BandSearch search = detail::findMrzBands(page);

    std::vector<Orientation> documents;
    for (const detail::Band& band : search.bands) {
        std::array<std::vector<std::vector<CellFeatures>>, 2> cells;
        for (int u = 0; u < 2; ++u)
            for (const detail::BandLine& line : band.lines) {
                std::vector<CellFeatures> row;
                for (size_t k = 0; k < line.cellX.size(); ++k)
                    row.push_back(sampleCell(page, search.frame, line, k, u == 1));
                cells[static_cast<size_t>(u)].push_back(std::move(row));
            }
        Orientation best = classifyBand(cells);
        if (best.mean >= kMinimumMeanScore)
            documents.push_back(std::move(best));
    }
    if (documents.empty())
        return reading;
    if (documents.size() > 1) {
        reading.outcome = PageOutcome::SeveralDocuments;
        return reading;
    }
    reading.outcome = PageOutcome::Mrz;
    reading.lines = decodeMrz(documents.front().scores);
    const mrz::ParsedMrz parsed = mrz::parseMrz(reading.lines);
    reading.layout = parsed.layout;
    for (size_t i = 0; i < reading.lines.size(); ++i)
        reading.lineValid.push_back(parsed.layout != mrz::Layout::Unknown &&
                                    parsed.lineStatus[i] == mrz::kStatusOk);
    double degrees =
        search.angle * 180 / std::numbers::pi + (documents.front().upsideDown ? 180 : 0);
    reading.angleDegrees = std::fmod(degrees + 360, 360);
    return reading;
}

} // namespace readerlink::ocr
