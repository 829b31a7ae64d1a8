#pragma once

// Scores a character cell against the OCR-B references: normalised
// correlation with each glyph drawn in a range of stroke weights and blurs.
// A page is printed and captured one way throughout, so the caller picks the
// weight and blur that fit the whole MRZ best (bestVariant) and scores every
// cell against that variant and its neighbours only: a glyph that looks like
// another only when drawn much bolder or blurrier is not mistaken for it.

#include <array>
#include <vector>

namespace readerlink::ocr {

constexpr int kFeatureWidth = 14;
constexpr int kFeatureHeight = 20;
constexpr int kFeatureSize = kFeatureWidth * kFeatureHeight;

// Ink lighter than this share of the way from the paper to the darkest ink
// of a cell is dropped, in the references and in what is read alike.
constexpr float kFaintInk = 0.3f;

// Ink darkness of one cell, row after row, any scale (normalised inside).
using CellFeatures = std::array<float, kFeatureSize>;

// One score per character of "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ<", in
// -1..1; higher is closer.
using GlyphScores = std::array<float, 37>;

char glyphChar(int index);
int glyphIndex(char c); // -1 for a character outside the set

// Subtracts the mean and scales to unit length; false for a blank cell.
bool normaliseFeatures(CellFeatures& features);

// Weight-and-blur variants of the references.
int variantCount();

// The variant whose best glyph scores add up highest over `cells`, and that sum.
int bestVariant(const std::vector<CellFeatures>& cells, float* total = nullptr);

// The best glyph's score against `variant` alone.
float bestScoreIn(const CellFeatures& normalised, int variant);

// Plain weight, slight blur: good enough to tell which way up a row is.
int middleVariant();

// Scores against `variant` and the variants next to it in weight and blur.
GlyphScores classifyCell(const CellFeatures& normalised, int variant);

} // namespace readerlink::ocr
