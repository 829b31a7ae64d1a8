#include "reader/virtual/ocr_page_recogniser.h"

#include "reader/ocr/grey_image.h"
#include "reader/ocr/mrz_recognizer.h"

namespace readerlink::virtualreader {

namespace {

std::optional<PageScan> scanPage(const std::filesystem::path& path) {
    const auto grey = ocr::readImageFile(path);
    if (!grey)
        return std::nullopt;
    const ocr::PageReading reading = ocr::recogniseMrz(*grey);
    PageScan scan;
    auto page = std::make_shared<sdk::RgbImage>();
    page->width = grey->width;
    page->height = grey->height;
    page->rgb.resize(grey->pixels.size() * 3);
    for (std::size_t i = 0; i < grey->pixels.size(); ++i)
        page->rgb[3 * i] = page->rgb[3 * i + 1] = page->rgb[3 * i + 2] = grey->pixels[i];
    scan.page = std::move(page);
    switch (reading.outcome) {
    case ocr::PageOutcome::Mrz:
        scan.outcome = PageScan::Outcome::Mrz;
        break;
    case ocr::PageOutcome::NoMrz:
        scan.outcome = PageScan::Outcome::NoMrz;
        break;
    case ocr::PageOutcome::SeveralDocuments:
        scan.outcome = PageScan::Outcome::SeveralDocuments;
        break;
    }
    scan.lines = reading.lines;
    scan.angleDegrees = reading.angleDegrees;
    scan.centreX = reading.centreX;
    scan.centreY = reading.centreY;
    scan.width = reading.width;
    scan.height = reading.height;
    return scan;
}

} // namespace

PageRecogniser ocrPageRecogniser() {
    return scanPage;
}

} // namespace readerlink::virtualreader
