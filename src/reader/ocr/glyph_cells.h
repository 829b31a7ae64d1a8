#pragma once

// Reference pictures of the 37 MRZ characters in OCR-B, rasterised from the
// font when the library is built (glyph_cells_gen.cpp). Each cell is one
// character pitch wide, centred on the glyph's ink, and spans the capital
// height plus kCellMargin of it above and below; 0 is ink, 255 paper.

namespace readerlink::ocr::detail {

constexpr int kGlyphCount = 37;
constexpr double kCellMargin = 0.25;

extern const char kGlyphChars[kGlyphCount + 1];
extern const int kGlyphCellWidth;
extern const int kGlyphCellHeight;
extern const unsigned char* const kGlyphCells[kGlyphCount];

} // namespace readerlink::ocr::detail
