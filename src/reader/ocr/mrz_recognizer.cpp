#include "reader/ocr/mrz_recognizer.h"

#include "reader/ocr/glyph_cells.h"
#include "reader/ocr/glyph_classifier.h"
#include "reader/ocr/mrz_band.h"
#include "reader/ocr/mrz_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace readerlink::ocr {

namespace {

// Below this mean correlation the rows are print of some other kind.
constexpr float kMinimumMeanScore = 0.45f;
constexpr int kSuper = 2; // samples per feature cell and axis

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

// Samples cells of one band row, read upright or upside down.
class RowSampler {
public:
    RowSampler(const GreyImage& page, const detail::Frame& frame, const detail::BandLine& line,
               bool upsideDown)
        : page_(page), frame_(frame), line_(line), upsideDown_(upsideDown) {}

    size_t size() const { return line_.cellX.size(); }
    // Height of one feature row in working pixels.
    double featureRow() const {
        return detail::kGlyphCellHeight * line_.pitch / detail::kGlyphCellWidth / kFeatureHeight;
    }

    // Cell `i` in reading order, `dy` working pixels lower as the row lies,
    // centred on its ink's mass as the references are; normalised.
    CellFeatures cell(size_t i, double dy) const {
        const size_t k = upsideDown_ ? size() - 1 - i : i;
        double centre = line_.cellX[k];
        CellFeatures f = sampleAt(k, centre, dy);
        for (int round = 0; round < 2; ++round) {
            const double shift = std::clamp(inkOffset(f), -2.5, 2.5) * line_.pitch / kFeatureWidth;
            if (std::abs(shift) < 0.05 * line_.pitch / kFeatureWidth)
                break;
            centre += shift;
            f = sampleAt(k, centre, dy);
        }
        if (upsideDown_)
            std::reverse(f.begin(), f.end());
        if (!normaliseFeatures(f))
            f.fill(0.0f);
        return f;
    }

private:
    CellFeatures sampleAt(size_t k, double centreX, double dy) const {
        const double scale = line_.pitch / detail::kGlyphCellWidth;
        const double x0 = centreX - line_.pitch / 2;
        // Upside down the baseline is the row's upper edge as it lies.
        const double y0 =
            dy + (upsideDown_
                      ? line_.top[k] - (detail::kGlyphCellHeight - detail::kGlyphBaseline) * scale
                      : line_.bottom[k] - detail::kGlyphBaseline * scale);
        const double cellH = detail::kGlyphCellHeight * scale;
        const double stepX = line_.pitch / (kFeatureWidth * kSuper),
                     stepY = cellH / (kFeatureHeight * kSuper);
        // The frame is linear: walk it by steps.
        double ox, oy, ax, ay, bx, by;
        frame_.toPage(x0 + 0.5 * stepX, y0 + 0.5 * stepY, ox, oy);
        frame_.toPage(x0 + 1.5 * stepX, y0 + 0.5 * stepY, ax, ay);
        frame_.toPage(x0 + 0.5 * stepX, y0 + 1.5 * stepY, bx, by);
        ax -= ox, ay -= oy, bx -= ox, by -= oy;
        constexpr int kW = kFeatureWidth * kSuper, kH = kFeatureHeight * kSuper;
        std::array<float, kW * kH> ink;
        float low = 255, high = 0;
        for (int v = 0; v < kH; ++v)
            for (int u = 0; u < kW; ++u) {
                const float value = static_cast<float>(
                    255.0 - bilinear(page_, ox + u * ax + v * bx, oy + u * ay + v * by));
                ink[static_cast<size_t>(v * kW + u)] = value;
                low = std::min(low, value);
                high = std::max(high, value);
            }
        // Faint ink (security print, a photo's bleed) is cut away: only what
        // is well on the way from the paper to the strokes' ink counts.
        const float floor = low + kFaintInk * (high - low);
        CellFeatures f{};
        for (int v = 0; v < kH; ++v)
            for (int u = 0; u < kW; ++u)
                f[static_cast<size_t>((v / kSuper) * kFeatureWidth + u / kSuper)] +=
                    std::max(0.0f, ink[static_cast<size_t>(v * kW + u)] - floor);
        return f;
    }

    // Horizontal centre of the ink's mass, in feature columns from the middle.
    static double inkOffset(const CellFeatures& f) {
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

    const GreyImage& page_;
    const detail::Frame& frame_;
    const detail::BandLine& line_;
    bool upsideDown_;
};

struct BandReading {
    std::vector<std::vector<GlyphScores>> scores;
    float mean = 0;
    bool upsideDown = false;
    size_t band = 0; // which of the search's bands
};

BandReading readBand(const GreyImage& page, const detail::Frame& frame, const detail::Band& band) {
    // Which way up, then which stroke weight and blur, from a third of the cells.
    BandReading result;
    std::vector<CellFeatures> samples[2];
    float totals[2] = {0, 0};
    for (int u = 0; u < 2; ++u) {
        for (const detail::BandLine& line : band.lines) {
            const RowSampler row(page, frame, line, u == 1);
            for (size_t i = 1; i < row.size(); i += 3)
                samples[u].push_back(row.cell(i, 0));
        }
        for (const CellFeatures& f : samples[u])
            totals[u] += bestScoreIn(f, middleVariant());
    }
    result.upsideDown = totals[1] > totals[0];
    const int variant = bestVariant(samples[result.upsideDown ? 1 : 0]);
    // The rows' height is known to a working pixel or so: settle it, at
    // either end of each row, by the offset the glyphs match best at.
    float sum = 0;
    int count = 0;
    const size_t lineCount = band.lines.size();
    for (size_t r = 0; r < lineCount; ++r) {
        const auto& line = band.lines[result.upsideDown ? lineCount - 1 - r : r];
        const RowSampler row(page, frame, line, result.upsideDown);
        const size_t n = row.size();
        double dyEnd[2] = {0, 0};
        for (int half = 0; half < 2; ++half) {
            float best = -1e30f;
            for (double step : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
                const double dy = step * row.featureRow();
                float total = 0;
                for (size_t i = half * n / 2 + 1; i < (half + 1) * n / 2; i += 3)
                    total += bestScoreIn(row.cell(i, dy), variant);
                if (total > best + 1e-4f) {
                    best = total;
                    dyEnd[half] = dy;
                }
            }
        }
        std::vector<GlyphScores> scores;
        for (size_t i = 0; i < n; ++i) {
            const double t = std::clamp((static_cast<double>(i) - n / 4.0) / (n / 2.0), 0.0, 1.0);
            scores.push_back(
                classifyCell(row.cell(i, dyEnd[0] + t * (dyEnd[1] - dyEnd[0])), variant));
            sum += *std::max_element(scores.back().begin(), scores.back().end());
            ++count;
        }
        result.scores.push_back(std::move(scores));
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

namespace {

// The band's box in working coordinates, taken to the page.
void placeMrz(const detail::Frame& frame, const detail::Band& band, PageReading& reading) {
    double left = 0, right = 0, top = 0, bottom = 0;
    bool first = true;
    for (const detail::BandLine& line : band.lines) {
        if (line.cellX.empty())
            continue;
        const double l = line.cellX.front() - line.pitch / 2,
                     r = line.cellX.back() + line.pitch / 2;
        double t = 0, b = 0;
        bool any = false;
        for (const auto* edge : {&line.top, &line.bottom})
            for (double y : *edge) {
                t = any ? std::min(t, y) : y;
                b = any ? std::max(b, y) : y;
                any = true;
            }
        if (!any)
            continue;
        left = first ? l : std::min(left, l);
        right = first ? r : std::max(right, r);
        top = first ? t : std::min(top, t);
        bottom = first ? b : std::max(bottom, b);
        first = false;
    }
    if (first)
        return;
    frame.toPage((left + right) / 2, (top + bottom) / 2, reading.centreX, reading.centreY);
    reading.width = (right - left) * frame.scale;
    reading.height = (bottom - top) * frame.scale;
}

} // namespace

PageReading recogniseMrz(const GreyImage& page) {
    PageReading reading;
    if (page.width <= 0 || page.height <= 0 ||
        page.pixels.size() < static_cast<size_t>(page.width) * static_cast<size_t>(page.height))
        return reading;
    const detail::BandSearch search = detail::findMrzBands(page);

    std::vector<BandReading> documents;
    for (size_t b = 0; b < search.bands.size(); ++b) {
        BandReading best = readBand(page, search.frame, search.bands[b]);
        best.band = b;
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
    placeMrz(search.frame, search.bands[documents.front().band], reading);
    return reading;
}

} // namespace readerlink::ocr
