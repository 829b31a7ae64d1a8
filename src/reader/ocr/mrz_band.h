#pragma once

// Finds MRZ bands on a page: the text direction from neighbouring
// components, then, on the deskewed page, rows of evenly pitched characters
// whose count (30, 36 or 44) and stacking (3, 2 or 2 rows) make an MRZ.

#include "reader/ocr/grey_image.h"

#include <vector>

namespace readerlink::ocr::detail {

// Maps coordinates of the deskewed working picture to the page's.
struct Frame {
    double pageCx = 0, pageCy = 0;
    double workCx = 0, workCy = 0;
    double cosA = 1, sinA = 0;
    double scale = 1;

    void toPage(double x, double y, double& px, double& py) const {
        const double dx = (x - workCx) * scale, dy = (y - workCy) * scale;
        px = pageCx + dx * cosA - dy * sinA;
        py = pageCy + dx * sinA + dy * cosA;
    }
};

// One MRZ row in deskewed working coordinates, cell by cell, left to right
// as it lies (an upside-down MRZ is still listed as it lies).
struct BandLine {
    std::vector<double> cellX, top, bottom;
    double pitch = 0;
};

struct Band {
    std::vector<BandLine> lines; // top to bottom as they lie
};

struct BandSearch {
    Frame frame;
    double angle = 0;        // radians the text runs clockwise of the x axis, modulo pi
    std::vector<Band> bands; // complete MRZs, one per document
};

BandSearch findMrzBands(const GreyImage& page);

} // namespace readerlink::ocr::detail
