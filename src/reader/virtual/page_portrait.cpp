#include "reader/virtual/page_portrait.h"

#include <cmath>
#include <numbers>

namespace readerlink::virtualreader {

namespace {

constexpr double kPitchMm = 2.54; // ten MRZ characters to the inch

struct Geometry {
    int characters;           // per MRZ line
    double widthMm, heightMm; // the document
};

std::optional<Geometry> geometryOf(mrz::Layout layout) {
    switch (layout) {
    case mrz::Layout::TD3:
        return Geometry{44, 125.0, 88.0};
    case mrz::Layout::MRVA:
        return Geometry{44, 120.0, 80.0};
    case mrz::Layout::TD2:
    case mrz::Layout::MRVB:
        return Geometry{36, 105.0, 74.0};
    case mrz::Layout::TD1: // the portrait is on the front, the MRZ on the back
    case mrz::Layout::Unknown:
        break;
    }
    return std::nullopt;
}

} // namespace

SharedPicture portraitOfPage(const PageScan& scan, mrz::Layout layout) {
    const auto geometry = geometryOf(layout);
    if (!geometry || !scan.page || scan.width <= 0 || scan.height <= 0)
        return nullptr;
    const double pxPerMm = scan.width / (geometry->characters * kPitchMm);
    // In millimetres from the MRZ's centre, along its lines and down across
    // them. The MRZ is centred on the document and ends some 4 mm above its
    // lower edge; the portrait stands at the left between the header and the
    // MRZ, a little larger than the nominal 35 x 45 mm so that it is whole.
    const double mrzHalfHeight = scan.height / pxPerMm / 2;
    const double docBottom = mrzHalfHeight + 4;
    const double docTop = docBottom - geometry->heightMm;
    const double left = -geometry->widthMm / 2 + 4;
    const double width = 0.3 * geometry->widthMm;
    const double top = docTop + 0.15 * geometry->heightMm;
    const double bottom = std::min(-mrzHalfHeight - 2, top + 0.55 * geometry->heightMm);
    const int outWidth = static_cast<int>(width * pxPerMm);
    const int outHeight = static_cast<int>((bottom - top) * pxPerMm);
    if (outWidth < 8 || outHeight < 8)
        return nullptr;

    const double angle = scan.angleDegrees * std::numbers::pi / 180;
    const double ux = std::cos(angle), uy = std::sin(angle); // along the lines
    const double vx = -uy, vy = ux;                          // down across them
    const sdk::RgbImage& page = *scan.page;
    auto out = std::make_shared<sdk::RgbImage>();
    out->width = outWidth;
    out->height = outHeight;
    out->rgb.assign(static_cast<std::size_t>(outWidth) * outHeight * 3, 255);
    long long inside = 0;
    for (int y = 0; y < outHeight; ++y)
        for (int x = 0; x < outWidth; ++x) {
            const double a = (left + (x + 0.5) / pxPerMm) * pxPerMm;
            const double b = (top + (y + 0.5) / pxPerMm) * pxPerMm;
            const long px = std::lround(scan.centreX + a * ux + b * vx);
            const long py = std::lround(scan.centreY + a * uy + b * vy);
            if (px < 0 || py < 0 || px >= page.width || py >= page.height)
                continue;
            ++inside;
            const auto* from =
                page.rgb.data() + (static_cast<std::size_t>(py) * page.width + px) * 3;
            auto* to = out->rgb.data() + (static_cast<std::size_t>(y) * outWidth + x) * 3;
            std::copy(from, from + 3, to);
        }
    // Mostly off the page: the scan shows too little of the document.
    if (inside * 2 < static_cast<long long>(outWidth) * outHeight)
        return nullptr;
    return out;
}

} // namespace readerlink::virtualreader
