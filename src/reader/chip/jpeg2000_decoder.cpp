#include "reader/chip/jpeg2000_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <openjpeg.h>

#include "reader/chip/chip_error.h"
#include "reader/chip/dg2_face.h"

namespace readerlink::chip {

namespace {

// Far above any portrait (ICAO asks for about 480 x 640), far below what
// would exhaust memory.
constexpr std::uint64_t kMaxPixels = 16ull * 1024 * 1024;

struct MemoryReader {
    ByteView data;
    std::size_t pos = 0;
};

OPJ_SIZE_T readBytes(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* reader = static_cast<MemoryReader*>(user);
    const std::size_t left = reader->data.size() - reader->pos;
    if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
    const std::size_t n = std::min<std::size_t>(count, left);
    std::memcpy(buffer, reader->data.data() + reader->pos, n);
    reader->pos += n;
    return n;
}

OPJ_OFF_T skipBytes(OPJ_OFF_T count, void* user) {
    auto* reader = static_cast<MemoryReader*>(user);
    if (count < 0) {
        const auto back = static_cast<std::size_t>(-count);
        if (back > reader->pos) return -1;
        reader->pos -= back;
        return count;
    }
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), reader->data.size() - reader->pos);
    reader->pos += n;
    return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL seekTo(OPJ_OFF_T position, void* user) {
    auto* reader = static_cast<MemoryReader*>(user);
    if (position < 0 || static_cast<std::size_t>(position) > reader->data.size()) return OPJ_FALSE;
    reader->pos = static_cast<std::size_t>(position);
    return OPJ_TRUE;
}

void quiet(const char*, void*) {}

struct CodecFree {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamFree {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageFree {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};

std::uint8_t toByte(OPJ_INT32 value, const opj_image_comp_t& comp) {
    if (comp.sgnd) value += 1 << (comp.prec - 1);
    if (comp.prec > 8) value >>= (comp.prec - 8);
    else if (comp.prec < 8) value <<= (8 - comp.prec);
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Sample of component `comp` at full-resolution pixel (x, y), allowing for
// subsampled components.
OPJ_INT32 sampleAt(const opj_image_comp_t& comp, OPJ_UINT32 x, OPJ_UINT32 y) {
    const OPJ_UINT32 cx = std::min(x / std::max<OPJ_UINT32>(comp.dx, 1), comp.w - 1);
    const OPJ_UINT32 cy = std::min(y / std::max<OPJ_UINT32>(comp.dy, 1), comp.h - 1);
    return comp.data[static_cast<std::size_t>(cy) * comp.w + cx];
}

} // namespace

RgbImage decodeJpeg2000(ByteView image) {
    const auto format = sniffImageFormat(image);
    if (format != ImageFormat::Jpeg2000) throw MalformedDataError("Not a JPEG 2000 image");
    const bool codestream = image.size() >= 2 && image[0] == 0xFF && image[1] == 0x4F;

    std::unique_ptr<opj_codec_t, CodecFree> codec(opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
    opj_set_info_handler(codec.get(), quiet, nullptr);
    opj_set_warning_handler(codec.get(), quiet, nullptr);
    opj_set_error_handler(codec.get(), quiet, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters)) throw ChipError("OpenJPEG could not set up a decoder");

    MemoryReader reader{image, 0};
    std::unique_ptr<opj_stream_t, StreamFree> stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    opj_stream_set_user_data(stream.get(), &reader, nullptr);
    opj_stream_set_user_data_length(stream.get(), image.size());
    opj_stream_set_read_function(stream.get(), readBytes);
    opj_stream_set_skip_function(stream.get(), skipBytes);
    opj_stream_set_seek_function(stream.get(), seekTo);

    opj_image_t* raw = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &raw))
        throw MalformedDataError("JPEG 2000 image header could not be read");
    std::unique_ptr<opj_image_t, ImageFree> decoded(raw);
    const std::uint64_t width = decoded->x1 - decoded->x0;
    const std::uint64_t height = decoded->y1 - decoded->y0;
    if (width == 0 || height == 0 || width * height > kMaxPixels || decoded->numcomps == 0)
        throw MalformedDataError("JPEG 2000 image size out of range");
    if (!opj_decode(codec.get(), stream.get(), decoded.get()) || !opj_end_decompress(codec.get(), stream.get()))
        throw MalformedDataError("JPEG 2000 image could not be decoded");

    const OPJ_UINT32 components = decoded->numcomps;
    for (OPJ_UINT32 c = 0; c < components; ++c) {
        const opj_image_comp_t& comp = decoded->comps[c];
        if (!comp.data || comp.w == 0 || comp.h == 0 || comp.prec == 0 || comp.prec > 16)
            throw MalformedDataError("JPEG 2000 image component out of range");
    }
    const bool colour = components >= 3;
    const bool ycc = colour && decoded->color_space == OPJ_CLRSPC_SYCC;

    RgbImage out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.rgb.resize(static_cast<std::size_t>(width * height * 3));
    std::size_t at = 0;
    for (OPJ_UINT32 y = 0; y < height; ++y) {
        for (OPJ_UINT32 x = 0; x < width; ++x) {
            if (!colour) {
                const std::uint8_t grey = toByte(sampleAt(decoded->comps[0], x, y), decoded->comps[0]);
                out.rgb[at++] = grey;
                out.rgb[at++] = grey;
                out.rgb[at++] = grey;
                continue;
            }
            const int a = toByte(sampleAt(decoded->comps[0], x, y), decoded->comps[0]);
            const int b = toByte(sampleAt(decoded->comps[1], x, y), decoded->comps[1]);
            const int c = toByte(sampleAt(decoded->comps[2], x, y), decoded->comps[2]);
            if (!ycc) {
                out.rgb[at++] = static_cast<std::uint8_t>(a);
                out.rgb[at++] = static_cast<std::uint8_t>(b);
                out.rgb[at++] = static_cast<std::uint8_t>(c);
                continue;
            }
            const double cb = b - 128.0;
            const double cr = c - 128.0;
            out.rgb[at++] = static_cast<std::uint8_t>(std::clamp(a + 1.402 * cr, 0.0, 255.0));
            out.rgb[at++] = static_cast<std::uint8_t>(std::clamp(a - 0.344136 * cb - 0.714136 * cr, 0.0, 255.0));
            out.rgb[at++] = static_cast<std::uint8_t>(std::clamp(a + 1.772 * cb, 0.0, 255.0));
        }
    }
    return out;
}

} // namespace readerlink::chip
