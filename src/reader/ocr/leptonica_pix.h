#pragma once

// Ownership of Leptonica pictures and box arrays, and the hand-over between
// them and GreyImage.

#include "reader/ocr/grey_image.h"

#include <leptonica/allheaders.h>
#include <memory>

namespace readerlink::ocr::detail {

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
struct BoxaDeleter {
    void operator()(BOXA* boxa) const { boxaDestroy(&boxa); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;
using BoxaPtr = std::unique_ptr<BOXA, BoxaDeleter>;

PixPtr toPix(const GreyImage& image);
// nullopt-like empty image when pix is null or not convertible.
GreyImage fromPix(PIX* pix);

} // namespace readerlink::ocr::detail
