#pragma once

// An 8-bit grey picture as the recogniser takes it, and decoding of the file
// formats scanners write (JPEG, PNG, TIFF) into one.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace readerlink::ocr {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // row after row, 0 black, 255 white

    std::uint8_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// nullopt for data that is no picture of a known format, is damaged, or is
// larger than kMaxImagePixels.
std::optional<GreyImage> decodeImage(std::span<const std::uint8_t> bytes);
std::optional<GreyImage> readImageFile(const std::filesystem::path& path);

// RGB pixels (three bytes each, row after row) to grey.
GreyImage greyFromRgb(int width, int height, std::span<const std::uint8_t> rgb);

constexpr long long kMaxImagePixels = 60'000'000;

} // namespace readerlink::ocr
