#include "reader/ocr/mrz_recognizer.h"

#include "reader/ocr/glyph_cells.h"
#include "reader/ocr/glyph_classifier.h"
#include "reader/ocr/mrz_band.h"
#include "reader/ocr/mrz_decoder.h"

#include <algorithm>
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

// Ink of one cell as it lies on the deskewed page.
CellFeatures sampleCell(const GreyImage& page, const detail::Frame& frame,
                        const detail::BandLine& line, size_t k) {
    const double x0 = line.cellX[k] - line.pitch / 2;
    const double height = line.bottom[k] - line.top[k];
    const double y0 = line.top[k] - detail::kCellMargin * height;
    const double cellH = height * (1 + 2 * detail::kCellMargin);
    const double stepX = line.pitch / (kFeatureWidth * kSuper),
                 stepY = cellH / (kFeatureHeight * kSuper);
    CellFeatures f{};
    for (int fy = 0; fy < kFeatureHeight; ++fy)
        for (int fx = 0; fx < kFeatureWidth; ++fx) {
            double sum = 0;
            for (int sy = 0; sy < kSuper; ++sy)
                for (int sx = 0; sx < kSuper; ++sx) {
                    double px, py;
                    frame.toPage(x0 + (fx * kSuper + sx + 0.5) * stepX,
                                 y0 + (fy * kSuper + sy + 0.5) * stepY, px, py);
                    sum += 255.0 - bilinear(page, px, py);
                }
            f[static_cast<size_t>(fy * kFeatureWidth + fx)] = static_cast<float>(sum);
        }
    return f;
}

CellFeatures turned(const CellFeatures& f) {
    CellFeatures out;
    std::reverse_copy(f.begin(), f.end(), out.begin());
    return out;
}

struct Orientation {
    std::vector<std::vector<GlyphScores>> scores;
    float total = 0;
    int cells = 0;
};

void addLine(Orientation& o, const std::vector<CellFeatures>& cells, bool upsideDown) {
    std::vector<GlyphScores> line;
    for (size_t i = 0; i < cells.size(); ++i) {
        CellFeatures f = upsideDown ? turned(cells[cells.size() - 1 - i]) : cells[i];
        GlyphScores s;
        if (normaliseFeatures(f))
            s = classifyCell(f);
        else
            s.fill(-1.0f);
        o.total += *std::max_element(s.begin(), s.end());
        ++o.cells;
        line.push_back(s);
    }
    o.scores.push_back(std::move(line));
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

    struct Candidate {
        Orientation o;
        bool upsideDown;
    };
    std::vector<Candidate> documents;
    for (const detail::Band& band : search.bands) {
        std::vector<std::vector<CellFeatures>> cells;
        for (const detail::BandLine& line : band.lines) {
            std::vector<CellFeatures> row;
            for (size_t k = 0; k < line.cellX.size(); ++k)
                row.push_back(sampleCell(page, search.frame, line, k));
            cells.push_back(std::move(row));
        }
        Orientation upright, flipped;
        for (const auto& row : cells)
            addLine(upright, row, false);
        for (auto it = cells.rbegin(); it != cells.rend(); ++it)
            addLine(flipped, *it, true);
        const bool upsideDown = flipped.total > upright.total;
        Orientation& best = upsideDown ? flipped : upright;
        if (best.cells == 0 || best.total / static_cast<float>(best.cells) < kMinimumMeanScore)
            continue;
        documents.push_back({std::move(best), upsideDown});
    }
    if (documents.empty())
        return reading;
    if (documents.size() > 1) {
        reading.outcome = PageOutcome::SeveralDocuments;
        return reading;
    }
    reading.outcome = PageOutcome::Mrz;
    reading.lines = decodeMrz(documents.front().o.scores);
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
