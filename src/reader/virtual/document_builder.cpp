#include "reader/virtual/document_builder.h"

#include <algorithm>

#include "common/text.h"
#include "reader/mrz/mrz_layout.h"

namespace readerlink::virtualreader {

VirtualDocument mrzDocument(const std::vector<std::string>& lines, const std::map<int, int>& forced) {
    const mrz::ParsedMrz parsed = mrz::parseMrz(lines);
    VirtualDocument doc;
    doc.valid = true;
    for (int i = 0; i < 3; ++i) {
        doc.fields[kMrzLine1Field + i] = i < static_cast<int>(lines.size()) ? fromUtf8(lines[i]) : u"";
        doc.statuses[kMrzLine1Field + i] = parsed.lineStatus[i];
    }
    for (std::size_t k = 0; k < mrz::kRecordFieldCodes.size(); ++k) {
        doc.fields[mrz::kRecordFieldCodes[k]] = fromUtf8(parsed.fields[k].value);
        doc.statuses[mrz::kRecordFieldCodes[k]] = parsed.fields[k].status;
    }
    for (const auto& [code, status] : forced)
        doc.statuses[code] = status;
    return doc;
}

std::string toMrzAscii(std::u16string_view text) {
    std::string ascii;
    ascii.reserve(text.size());
    for (char16_t c : text)
        ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return ascii;
}

SharedPicture cropPicture(const SharedPicture& page, const PortraitCrop& crop) {
    if (!page)
        return nullptr;
    const int x0 = std::clamp(crop.x, 0, page->width);
    const int y0 = std::clamp(crop.y, 0, page->height);
    const int x1 = std::clamp(crop.x + crop.width, 0, page->width);
    const int y1 = std::clamp(crop.y + crop.height, 0, page->height);
    if (x1 <= x0 || y1 <= y0)
        return nullptr;
    auto out = std::make_shared<sdk::RgbImage>();
    out->width = x1 - x0;
    out->height = y1 - y0;
    out->rgb.resize(static_cast<std::size_t>(out->width) * out->height * 3);
    for (int y = 0; y < out->height; ++y) {
        const auto* from = page->rgb.data() + (static_cast<std::size_t>(y0 + y) * page->width + x0) * 3;
        std::copy(from, from + out->width * 3, out->rgb.data() + static_cast<std::size_t>(y) * out->width * 3);
    }
    return out;
}

SharedPicture emptyGlassPicture() {
    static const SharedPicture picture = [] {
        auto image = std::make_shared<sdk::RgbImage>();
        image->width = 640;
        image->height = 448;
        image->rgb.assign(static_cast<std::size_t>(image->width) * image->height * 3, 24);
        return image;
    }();
    return picture;
}

} // namespace readerlink::virtualreader
