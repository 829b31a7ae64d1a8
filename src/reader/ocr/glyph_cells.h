#pragma once

// Reference pictures of the 37 MRZ characters in OCR-B, rasterised from the
// font when the library is built (glyph_cells_gen.cpp). Each cell is one
// character pitch wide, the glyph's ink centred in it by mass, with the baseline at row
// kGlyphBaseline and kCellMargin of the capital height above the capitals
// and below the baseline; 0 is ink, 255 paper. Digits stand taller than
// capitals in OCR-B, so a cell is placed by pitch and baseline, never by
// the height of what is printed in it.

namespace readerlink::ocr::detail {

constexpr int kGlyphCount = 37;
constexpr double kCellMargin = 0.25;

extern const char kGlyphChars[kGlyphCount + 1];
extern const int kGlyphCellWidth;
extern const int kGlyphCellHeight;
extern const int kGlyphBaseline;
extern const unsigned char* const kGlyphCells[kGlyphCount];

} // namespace readerlink::ocr::detail
