#pragma once

// Turns per-cell glyph scores into MRZ lines: each position takes the best
// character its field allows (digits, letters, either), then fields whose
// check digit fails are mended by the one close alternative that makes it
// hold, if there is exactly one best such change.

#include "reader/mrz/mrz_layout.h"
#include "reader/ocr/glyph_classifier.h"

#include <string>
#include <vector>

namespace readerlink::ocr {

// Layouts by line count and length; MRV-A and MRV-B are told from TD3 and
// TD2 by the first character, which the decoder reads first.
std::vector<std::string> decodeMrz(const std::vector<std::vector<GlyphScores>>& lines);

} // namespace readerlink::ocr
