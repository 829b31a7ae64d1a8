#pragma once

// Scores a character cell against the OCR-B references: normalised
// correlation with each glyph drawn sharp and blurred, thin and bold.

#include <array>

namespace readerlink::ocr {

constexpr int kFeatureWidth = 12;
constexpr int kFeatureHeight = 16;
constexpr int kFeatureSize = kFeatureWidth * kFeatureHeight;

// Ink darkness of one cell, row after row, any scale (normalised inside).
using CellFeatures = std::array<float, kFeatureSize>;

// One score per character of "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ<", in
// -1..1; higher is closer.
using GlyphScores = std::array<float, 37>;

char glyphChar(int index);
int glyphIndex(char c); // -1 for a character outside the set

// Subtracts the mean and scales to unit length; false for a blank cell.
bool normaliseFeatures(CellFeatures& features);

GlyphScores classifyCell(const CellFeatures& normalised);

} // namespace readerlink::ocr
