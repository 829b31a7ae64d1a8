#include "reader/ocr/glyph_classifier.h"

#include "reader/ocr/glyph_cells.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace readerlink::ocr {

namespace {

using detail::kGlyphCellHeight;
using detail::kGlyphCellWidth;
using Cell = std::vector<float>; // ink 0..1

Cell inkCell(int glyph) {
    const unsigned char* source = detail::kGlyphCells[glyph];
    Cell cell(static_cast<size_t>(kGlyphCellWidth * kGlyphCellHeight));
    for (size_t i = 0; i < cell.size(); ++i)
        cell[i] = static_cast<float>(255 - source[i]) / 255.0f;
    return cell;
}

Cell blurred(const Cell& in, double sigma) {
    if (sigma <= 0)
        return in;
    const int radius = static_cast<int>(std::ceil(2.5 * sigma));
    std::vector<float> kernel(static_cast<size_t>(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += kernel[static_cast<size_t>(i + radius)] =
            static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
    for (float& k : kernel)
        k /= sum;
    const int w = kGlyphCellWidth, h = kGlyphCellHeight;
    Cell tmp(in.size()), out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = 0;
            for (int i = -radius; i <= radius; ++i)
                v += kernel[static_cast<size_t>(i + radius)] *
                     in[static_cast<size_t>(y * w + std::clamp(x + i, 0, w - 1))];
            tmp[static_cast<size_t>(y * w + x)] = v;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = 0;
            for (int i = -radius; i <= radius; ++i)
                v += kernel[static_cast<size_t>(i + radius)] *
                     tmp[static_cast<size_t>(std::clamp(y + i, 0, h - 1) * w + x)];
            out[static_cast<size_t>(y * w + x)] = v;
        }
    return out;
}

// Grows (bold > 0) or shrinks the strokes by a square of the given radius,
// a row pass then a column pass.
Cell weighted(const Cell& in, int bold) {
    if (bold == 0)
        return in;
    const int w = kGlyphCellWidth, h = kGlyphCellHeight, r = std::abs(bold);
    const auto pick = [bold](float a, float b) {
        return bold > 0 ? std::max(a, b) : std::min(a, b);
    };
    Cell rows(in.size()), out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = in[static_cast<size_t>(y * w + x)];
            for (int d = -r; d <= r; ++d)
                v = pick(v, in[static_cast<size_t>(y * w + std::clamp(x + d, 0, w - 1))]);
            rows[static_cast<size_t>(y * w + x)] = v;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = rows[static_cast<size_t>(y * w + x)];
            for (int d = -r; d <= r; ++d)
                v = pick(v, rows[static_cast<size_t>(std::clamp(y + d, 0, h - 1) * w + x)]);
            out[static_cast<size_t>(y * w + x)] = v;
        }
    return out;
}

Cell withoutFaintInk(Cell cell) {
    const auto [low, high] = std::minmax_element(cell.begin(), cell.end());
    const float floor = *low + kFaintInk * (*high - *low);
    for (float& v : cell)
        v = std::max(0.0f, v - floor);
    return cell;
}

CellFeatures reduce(const Cell& cell) {
    CellFeatures f{};
    const double sx = static_cast<double>(kGlyphCellWidth) / kFeatureWidth;
    const double sy = static_cast<double>(kGlyphCellHeight) / kFeatureHeight;
    for (int fy = 0; fy < kFeatureHeight; ++fy)
        for (int fx = 0; fx < kFeatureWidth; ++fx) {
            const int x0 = static_cast<int>(fx * sx),
                      x1 = std::max(x0 + 1, static_cast<int>((fx + 1) * sx));
            const int y0 = static_cast<int>(fy * sy),
                      y1 = std::max(y0 + 1, static_cast<int>((fy + 1) * sy));
            float sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    sum += cell[static_cast<size_t>(y * kGlyphCellWidth + x)];
            f[static_cast<size_t>(fy * kFeatureWidth + fx)] =
                sum / static_cast<float>((x1 - x0) * (y1 - y0));
        }
    return f;
}

constexpr int kBolds[] = {-2, -1, 0, 1, 2, 3, 4};
constexpr double kSigmas[] = {0.0, 1.5, 3.0, 4.5, 6.0, 8.0};
constexpr int kBoldCount = static_cast<int>(std::size(kBolds));
constexpr int kSigmaCount = static_cast<int>(std::size(kSigmas));

// Per variant (bold-major), the 37 glyphs' features.
using VariantReferences = std::array<CellFeatures, detail::kGlyphCount>;

std::vector<VariantReferences> buildReferences() {
    std::vector<VariantReferences> refs(static_cast<size_t>(kBoldCount * kSigmaCount));
    for (int g = 0; g < detail::kGlyphCount; ++g) {
        const Cell ink = inkCell(g);
        for (int b = 0; b < kBoldCount; ++b) {
            const Cell bold = weighted(ink, kBolds[b]);
            for (int s = 0; s < kSigmaCount; ++s) {
                CellFeatures f = reduce(withoutFaintInk(blurred(bold, kSigmas[s])));
                normaliseFeatures(f);
                refs[static_cast<size_t>(b * kSigmaCount + s)][static_cast<size_t>(g)] = f;
            }
        }
    }
    return refs;
}

const std::vector<VariantReferences>& references() {
    static const std::vector<VariantReferences> refs = buildReferences();
    return refs;
}

// Eight independent sums so the compiler can use vector registers.
float dot(const CellFeatures& a, const CellFeatures& b) {
    static_assert(kFeatureSize % 8 == 0);
    float acc[8] = {};
    for (int i = 0; i < kFeatureSize; i += 8)
        for (int j = 0; j < 8; ++j)
            acc[j] += a[static_cast<size_t>(i + j)] * b[static_cast<size_t>(i + j)];
    return ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
}

} // namespace

char glyphChar(int index) {
    return detail::kGlyphChars[index];
}

int glyphIndex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return 10 + c - 'A';
    return c == '<' ? 36 : -1;
}

bool normaliseFeatures(CellFeatures& f) {
    float mean = 0;
    for (float v : f)
        mean += v;
    mean /= kFeatureSize;
    float norm = 0;
    for (float& v : f) {
        v -= mean;
        norm += v * v;
    }
    if (norm < 1e-6f)
        return false;
    const float scale = 1.0f / std::sqrt(norm);
    for (float& v : f)
        v *= scale;
    return true;
}

int variantCount() {
    return kBoldCount * kSigmaCount;
}

int bestVariant(const std::vector<CellFeatures>& cells, float* total) {
    const auto& refs = references();
    int best = 0;
    float bestTotal = -1e30f;
    for (size_t v = 0; v < refs.size(); ++v) {
        float sum = 0;
        for (const CellFeatures& cell : cells) {
            float top = -1;
            for (const CellFeatures& ref : refs[v])
                top = std::max(top, dot(ref, cell));
            sum += top;
        }
        if (sum > bestTotal) {
            bestTotal = sum;
            best = static_cast<int>(v);
        }
    }
    if (total)
        *total = bestTotal;
    return best;
}

float bestScoreIn(const CellFeatures& normalised, int variant) {
    float best = -1;
    for (const CellFeatures& ref : references()[static_cast<size_t>(variant)])
        best = std::max(best, dot(ref, normalised));
    return best;
}

int middleVariant() {
    return 2 * kSigmaCount + 1;
}

GlyphScores classifyCell(const CellFeatures& normalised, int variant) {
    GlyphScores scores;
    scores.fill(-1.0f);
    const auto& refs = references();
    const int b0 = variant / kSigmaCount, s0 = variant % kSigmaCount;
    for (int b = std::max(0, b0 - 1); b <= std::min(kBoldCount - 1, b0 + 1); ++b)
        for (int s = std::max(0, s0 - 1); s <= std::min(kSigmaCount - 1, s0 + 1); ++s) {
            const VariantReferences& set = refs[static_cast<size_t>(b * kSigmaCount + s)];
            for (size_t g = 0; g < set.size(); ++g)
                scores[g] = std::max(scores[g], dot(set[g], normalised));
        }
    return scores;
}

} // namespace readerlink::ocr
