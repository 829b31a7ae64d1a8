#pragma once

// Finds MRZ bands on a page: the text direction from neighbouring
// components, then, on the deskewed page, rows of evenly pitched characters
// whose count (30, 36 or 44) and stacking (3, 2 or 2 rows) make an MRZ.

#include "reader/ocr/grey_image.h"

#include <vector>

namespace readerlink::ocr::detail {

// Maps coordinates of the deskewed working picture to the page's.
struct Frame {
    double workCx = 0, workCy = 0;     // centre of the deskewed working picture
    double sourceCx = 0, sourceCy = 0; // centre of the working picture before deskewing
    double cosA = 1, sinA = 0;
    double scale = 1; // page pixels per working pixel

    void toPage(double x, double y, double& px, double& py) const {
        const double dx = x - workCx, dy = y - workCy;
        px = (sourceCx + dx * cosA - dy * sinA) * scale;
        py = (sourceCy + dx * sinA + dy * cosA) * scale;
    }
};

// One MRZ row in deskewed working coordinates, cell by cell, left to right
// as it lies (an upside-down MRZ is still listed as it lies).
struct BandLine {
    std::vector<double> cellX;
    std::vector<double> bottom; // where the tall characters end below, as the row lies
    std::vector<double> top;    // and above: the baseline when the row is upside down
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
