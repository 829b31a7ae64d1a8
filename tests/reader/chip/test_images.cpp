#include "test_images.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <openjpeg.h>

namespace readerlink::chip::testing {

namespace {

struct MemoryWriter {
    Bytes data;
    std::size_t pos = 0;
};

OPJ_SIZE_T writeBytes(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* writer = static_cast<MemoryWriter*>(user);
    if (writer->pos + count > writer->data.size()) writer->data.resize(writer->pos + count);
    std::memcpy(writer->data.data() + writer->pos, buffer, count);
    writer->pos += count;
    return count;
}

OPJ_OFF_T skipBytes(OPJ_OFF_T count, void* user) {
    auto* writer = static_cast<MemoryWriter*>(user);
    writer->pos += static_cast<std::size_t>(count);
    if (writer->pos > writer->data.size()) writer->data.resize(writer->pos);
    return count;
}

OPJ_BOOL seekTo(OPJ_OFF_T position, void* user) {
    auto* writer = static_cast<MemoryWriter*>(user);
    writer->pos = static_cast<std::size_t>(position);
    if (writer->pos > writer->data.size()) writer->data.resize(writer->pos);
    return OPJ_TRUE;
}

} // namespace

RgbImage testPattern(int width, int height) {
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            image.rgb.push_back(static_cast<std::uint8_t>(x * 7 + y));
            image.rgb.push_back(static_cast<std::uint8_t>(y * 11));
            image.rgb.push_back(static_cast<std::uint8_t>(255 - x * 3));
        }
    return image;
}

Bytes encodeJpeg2000(const RgbImage& image, Jpeg2000Container container, int components, float ratio) {
    opj_image_cmptparm_t parameters[3];
    std::memset(parameters, 0, sizeof parameters);
    for (int c = 0; c < components; ++c) {
        parameters[c].dx = parameters[c].dy = 1;
        parameters[c].w = static_cast<OPJ_UINT32>(image.width);
        parameters[c].h = static_cast<OPJ_UINT32>(image.height);
        parameters[c].prec = 8;
        parameters[c].sgnd = 0;
    }
    std::unique_ptr<opj_image_t, decltype(&opj_image_destroy)> raw(
        opj_image_create(static_cast<OPJ_UINT32>(components), parameters,
                         components == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY),
        opj_image_destroy);
    raw->x0 = raw->y0 = 0;
    raw->x1 = static_cast<OPJ_UINT32>(image.width);
    raw->y1 = static_cast<OPJ_UINT32>(image.height);
    for (int c = 0; c < components; ++c)
        for (int i = 0; i < image.width * image.height; ++i)
            raw->comps[c].data[i] = image.rgb[static_cast<std::size_t>(i * 3 + c)];

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = ratio;
    settings.cp_disto_alloc = 1;
    settings.irreversible = ratio > 0 ? 1 : 0;
    settings.numresolution = std::min(image.width, image.height) >= 64 ? 5 : 3;
    std::unique_ptr<opj_codec_t, decltype(&opj_destroy_codec)> codec(
        opj_create_compress(container == Jpeg2000Container::Jp2File ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K),
        opj_destroy_codec);
    if (!opj_setup_encoder(codec.get(), &settings, raw.get())) throw std::runtime_error("encoder setup");

    MemoryWriter writer;
    std::unique_ptr<opj_stream_t, decltype(&opj_stream_destroy)> stream(
        opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE), opj_stream_destroy);
    opj_stream_set_user_data(stream.get(), &writer, nullptr);
    opj_stream_set_write_function(stream.get(), writeBytes);
    opj_stream_set_skip_function(stream.get(), skipBytes);
    opj_stream_set_seek_function(stream.get(), seekTo);
    if (!opj_start_compress(codec.get(), raw.get(), stream.get()) || !opj_encode(codec.get(), stream.get()) ||
        !opj_end_compress(codec.get(), stream.get()))
        throw std::runtime_error("JPEG 2000 encoding failed");
    stream.reset();
    return writer.data;
}

Bytes fakeJpeg(std::uint16_t width, std::uint16_t height, std::size_t filler) {
    Bytes jpeg = fromHex("FFD8FFE000104A46494600010100000100010000");
    append(jpeg, fromHex("FFC0001108"));
    jpeg.push_back(static_cast<std::uint8_t>(height >> 8));
    jpeg.push_back(static_cast<std::uint8_t>(height));
    jpeg.push_back(static_cast<std::uint8_t>(width >> 8));
    jpeg.push_back(static_cast<std::uint8_t>(width));
    append(jpeg, fromHex("03012200021101031101"));
    for (std::size_t i = 0; i < filler; ++i) jpeg.push_back(static_cast<std::uint8_t>(i * 31 % 251));
    append(jpeg, fromHex("FFD9"));
    return jpeg;
}

} // namespace readerlink::chip::testing
