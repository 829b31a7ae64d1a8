#pragma once

// Renders document pages with an MRZ in OCR-B (FreeType) the way scanners
// and cameras deliver them, for tests and benchmarks of the recogniser.
// Everything is decided by the seed: the same order gives the same picture.

#include "reader/mrz/mrz_layout.h"
#include "reader/ocr/grey_image.h"

#include <random>
#include <string>
#include <vector>

namespace readerlink::pagerender {

struct Degradations {
    double blur = 0;         // Gaussian sigma in pixels
    double noise = 0;        // Gaussian sigma in grey levels
    double rotation = 0;     // degrees clockwise
    double perspective = 0;  // share by which the top edge is shortened, 0 to 0.2
    double unevenLight = 0;  // darkening at the dimmest corner, 0 to 0.7
    int jpegQuality = 0;     // 0: no JPEG round trip
    bool background = false; // security-print guilloche under the whole page
    bool nearbyText = false; // printed data right above the MRZ
    bool photoBleed = false; // the portrait's ink runs down into the MRZ
};

struct PageOrder {
    std::vector<std::string> mrz;       // empty: a page without MRZ
    std::vector<std::string> secondMrz; // a second document on the glass below the first
    int dpi = 300;
    unsigned seed = 1;
    Degradations degrade;
};

ocr::GreyImage renderPage(const PageOrder& order);

// A random MRZ of the layout with every check digit right.
std::vector<std::string> randomMrz(mrz::Layout layout, std::mt19937& random);

// Random degradations as a capture on a scanner or desk camera brings them.
Degradations randomDegradations(std::mt19937& random);

// PNG or JPEG (by the extension) of the picture; false when it cannot be written.
bool writeImage(const ocr::GreyImage& image, const std::string& path);

// Where the OCR-B font is (set at build time).
std::string ocrbFontPath();

} // namespace readerlink::pagerender
