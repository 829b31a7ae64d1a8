#pragma once

// JPEG through libjpeg-turbo's TurboJPEG API.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "reader/sdk/sdk_types.h"

namespace readerlink::virtualreader {

// One TurboJPEG instance; keeps its handle (and buffers) across calls.
class JpegCodec {
public:
    JpegCodec();
    ~JpegCodec();
    JpegCodec(const JpegCodec&) = delete;
    JpegCodec& operator=(const JpegCodec&) = delete;

    // Empty on failure (or an empty image).
    std::vector<std::uint8_t> encode(const sdk::RgbImage& image, int quality);

    // The same into a buffer the codec keeps and reuses (valid until the next
    // call): no allocation per picture of a size already seen.
    std::span<const std::uint8_t> encodeInPlace(const sdk::RgbImage& image, int quality);
    std::optional<sdk::RgbImage> decode(const std::vector<std::uint8_t>& jpeg);

private:
    void* compressor_ = nullptr;
    void* decompressor_ = nullptr;
    unsigned char* buffer_ = nullptr;
    unsigned long bufferSize_ = 0;
};

bool isJpeg(const std::vector<std::uint8_t>& bytes);

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path);

// Writes the whole file or nothing: a failed write leaves no partial file.
bool writeFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace readerlink::virtualreader
