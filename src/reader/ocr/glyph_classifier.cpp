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

// Grows (bold > 0) or shrinks the strokes by a square of the given radius.
Cell weighted(const Cell& in, int bold) {
    if (bold == 0)
        return in;
    const int w = kGlyphCellWidth, h = kGlyphCellHeight, r = std::abs(bold);
    Cell out(in.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = bold > 0 ? 0.0f : 1.0f;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    const float s = in[static_cast<size_t>(std::clamp(y + dy, 0, h - 1) * w +
                                                           std::clamp(x + dx, 0, w - 1))];
                    v = bold > 0 ? std::max(v, s) : std::min(v, s);
                }
            out[static_cast<size_t>(y * w + x)] = v;
        }
    return out;
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

struct Reference {
    int glyph;
    CellFeatures features;
};

std::vector<Reference> buildReferences() {
    std::vector<Reference> refs;
    for (int g = 0; g < detail::kGlyphCount; ++g) {
        const Cell ink = inkCell(g);
        for (int bold : {-2, 0, 2, 4})
            for (double sigma : {0.0, 3.0, 6.0}) {
                CellFeatures f = reduce(blurred(weighted(ink, bold), sigma));
                if (normaliseFeatures(f))
                    refs.push_back({g, f});
            }
    }
    return refs;
}

const std::vector<Reference>& references() {
    static const std::vector<Reference> refs = buildReferences();
    return refs;
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

GlyphScores classifyCell(const CellFeatures& normalised) {
    GlyphScores scores;
    scores.fill(-1.0f);
    for (const Reference& ref : references()) {
        float dot = 0;
        for (int i = 0; i < kFeatureSize; ++i)
            dot += ref.features[static_cast<size_t>(i)] * normalised[static_cast<size_t>(i)];
        float& best = scores[static_cast<size_t>(ref.glyph)];
        best = std::max(best, dot);
    }
    return scores;
}

} // namespace readerlink::ocr
