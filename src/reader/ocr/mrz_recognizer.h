#pragma once

// Reads the machine readable zone off a page image: a picture of a
// document's page as a scanner, document camera or phone gives it, turned
// any way (upside down too).

#include "reader/mrz/mrz_layout.h"
#include "reader/ocr/grey_image.h"

#include <string>
#include <vector>

namespace readerlink::ocr {

enum class PageOutcome {
    Mrz,              // one MRZ, its lines in `lines`
    NoMrz,            // nothing that looks like an MRZ
    SeveralDocuments, // more than one MRZ: which one is meant is unknown
};

struct PageReading {
    PageOutcome outcome = PageOutcome::NoMrz;
    mrz::Layout layout = mrz::Layout::Unknown;
    std::vector<std::string> lines;
    std::vector<bool> lineValid; // per line: all its check digits hold
    double angleDegrees = 0;     // how far the MRZ is turned clockwise, 0 to 360
    // Where the MRZ lies on the page, in page pixels: its centre, and its
    // extent along its lines and across them.
    double centreX = 0, centreY = 0;
    double width = 0, height = 0;

    bool valid() const;
};

PageReading recogniseMrz(const GreyImage& page);

const char* outcomeText(PageOutcome outcome);

} // namespace readerlink::ocr
