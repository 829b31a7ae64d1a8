#include "reader/virtual/jpeg_codec.h"

#include "platform/file_replace.h"

#include <turbojpeg.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace readerlink::virtualreader {

JpegCodec::JpegCodec() : compressor_(tjInitCompress()), decompressor_(tjInitDecompress()) {}

JpegCodec::~JpegCodec() {
    tjFree(buffer_);
    if (compressor_)
        tjDestroy(compressor_);
    if (decompressor_)
        tjDestroy(decompressor_);
}

std::vector<std::uint8_t> JpegCodec::encode(const sdk::RgbImage& image, int quality) {
    if (!compressor_ || image.width <= 0 || image.height <= 0 ||
        image.rgb.size() < static_cast<std::size_t>(image.width) * image.height * 3)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(compressor_, image.rgb.data(), image.width, 0, image.height, TJPF_RGB,
                               &out, &size, TJSAMP_420, quality, 0);
    std::vector<std::uint8_t> bytes;
    if (rc == 0 && out)
        bytes.assign(out, out + size);
    tjFree(out);
    return bytes;
}

std::span<const std::uint8_t> JpegCodec::encodeInPlace(const sdk::RgbImage& image, int quality) {
    if (!compressor_ || image.width <= 0 || image.height <= 0 ||
        image.rgb.size() < static_cast<std::size_t>(image.width) * image.height * 3)
        return {};
    const unsigned long worst = tjBufSize(image.width, image.height, TJSAMP_420);
    if (worst == static_cast<unsigned long>(-1))
        return {};
    if (worst > bufferSize_) {
        tjFree(buffer_);
        buffer_ = tjAlloc(static_cast<int>(worst));
        bufferSize_ = buffer_ ? worst : 0;
        if (!buffer_)
            return {};
    }
    unsigned long size = bufferSize_;
    if (tjCompress2(compressor_, image.rgb.data(), image.width, 0, image.height, TJPF_RGB, &buffer_, &size,
                    TJSAMP_420, quality, TJFLAG_NOREALLOC) != 0)
        return {};
    return {buffer_, size};
}

std::optional<sdk::RgbImage> JpegCodec::decode(const std::vector<std::uint8_t>& jpeg) {
    if (!decompressor_ || jpeg.empty())
        return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decompressor_, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                            &colorspace) != 0)
        return std::nullopt;
    // Guards against a forged header asking for gigabytes.
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > 64LL * 1024 * 1024)
        return std::nullopt;
    sdk::RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    if (tjDecompress2(decompressor_, jpeg.data(), jpeg.size(), image.rgb.data(), width, 0, height,
                      TJPF_RGB, 0) != 0)
        return std::nullopt;
    return image;
}

bool isJpeg(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool writeFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // Replaced in one step, so a failed write neither leaves a truncated file
    // nor destroys the one already there.
    const std::string_view contents(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return !platform::replaceFile(path, contents);
}

} // namespace readerlink::virtualreader
