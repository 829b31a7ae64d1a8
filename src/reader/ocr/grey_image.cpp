#include "reader/ocr/grey_image.h"

#include "reader/ocr/leptonica_pix.h"

#include <fstream>
#include <iterator>

namespace readerlink::ocr {

namespace detail {

PixPtr toPix(const GreyImage& image) {
    PixPtr pix(pixCreate(image.width, image.height, 8));
    if (!pix)
        return pix;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    for (int y = 0; y < image.height; ++y) {
        l_uint32* line = data + static_cast<size_t>(y) * wpl;
        const std::uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x)
            SET_DATA_BYTE(line, x, row[x]);
    }
    return pix;
}

GreyImage fromPix(PIX* source) {
    GreyImage image;
    if (!source)
        return image;
    PixPtr grey(pixGetDepth(source) == 8 && !pixGetColormap(source) ? pixClone(source)
                                                                    : pixConvertTo8(source, 0));
    if (!grey)
        return image;
    image.width = pixGetWidth(grey.get());
    image.height = pixGetHeight(grey.get());
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    const l_uint32* data = pixGetData(grey.get());
    const int wpl = pixGetWpl(grey.get());
    for (int y = 0; y < image.height; ++y) {
        const l_uint32* line = data + static_cast<size_t>(y) * wpl;
        std::uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x)
            row[x] = static_cast<std::uint8_t>(GET_DATA_BYTE(line, x));
    }
    return image;
}

} // namespace detail

namespace {

bool knownFormat(std::span<const std::uint8_t> b) {
    const auto starts = [&](std::initializer_list<std::uint8_t> magic) {
        return b.size() >= magic.size() && std::equal(magic.begin(), magic.end(), b.begin());
    };
    return starts({0xFF, 0xD8, 0xFF}) || starts({0x89, 'P', 'N', 'G'}) ||
           starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42});
}

} // namespace

std::optional<GreyImage> decodeImage(std::span<const std::uint8_t> bytes) {
    // Leptonica would also take formats no scanner writes; keep its surface small.
    if (!knownFormat(bytes))
        return std::nullopt;
    setMsgSeverity(L_SEVERITY_NONE);
    l_int32 w = 0, h = 0;
    if (pixReadHeaderMem(bytes.data(), bytes.size(), nullptr, &w, &h, nullptr, nullptr, nullptr) !=
            0 ||
        w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxImagePixels)
        return std::nullopt;
    detail::PixPtr pix(pixReadMem(bytes.data(), bytes.size()));
    if (!pix)
        return std::nullopt;
    GreyImage image = detail::fromPix(pix.get());
    if (image.width <= 0 || image.height <= 0)
        return std::nullopt;
    return image;
}

std::optional<GreyImage> readImageFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return decodeImage(bytes);
}

GreyImage greyFromRgb(int width, int height, std::span<const std::uint8_t> rgb) {
    GreyImage image;
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<size_t>(width) * height * 3)
        return image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<std::uint8_t>(
            (77 * rgb[3 * i] + 150 * rgb[3 * i + 1] + 29 * rgb[3 * i + 2] + 128) >> 8);
    return image;
}

} // namespace readerlink::ocr
