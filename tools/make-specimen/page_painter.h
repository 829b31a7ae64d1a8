#pragma once

// Paints the pictures of a sample document: the data page in white light and
// in infrared, and the face image its chip carries.

#include <string>
#include <vector>

#include "reader/sdk/sdk_types.h"

namespace readerlink::specimentool {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct PageDesign {
    int width = 640;
    int height = 448;
    std::vector<std::string> mrz; // empty: an unreadable smudge where the MRZ would be
    Rect portrait{24, 84, 150, 190};
    unsigned seed = 1;            // varies the face and the background
};

sdk::RgbImage paintWhitePage(const PageDesign& design);
sdk::RgbImage paintInfraPage(const PageDesign& design);
sdk::RgbImage paintFace(int width, int height, unsigned seed);

} // namespace readerlink::specimentool
