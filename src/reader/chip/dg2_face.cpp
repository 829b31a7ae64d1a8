#include "reader/chip/dg2_face.h"

#include <algorithm>

#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

constexpr std::uint32_t kTagDg2 = 0x75;
constexpr std::uint32_t kTagGroupTemplate = 0x7F61;
constexpr std::uint32_t kTagInstanceCount = 0x02;
constexpr std::uint32_t kTagInfoTemplate = 0x7F60;
constexpr std::uint32_t kTagHeaderTemplate = 0xA1;
constexpr std::uint32_t kTagDataBlock = 0x5F2E;
constexpr std::uint32_t kTagDataBlockEnciphered = 0x7F2E;

constexpr std::size_t kRecordHeaderSize = 14;
constexpr std::size_t kFacialInformationSize = 20;
constexpr std::size_t kFeaturePointSize = 8;
constexpr std::size_t kImageInformationSize = 12;

constexpr std::uint8_t kImageDataJpeg = 0x00;
constexpr std::uint8_t kImageDataJpeg2000 = 0x01;

std::uint32_t bigEndian(ByteView bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t b : bytes) value = value << 8 | b;
    return value;
}

void putBigEndian(Bytes& out, std::uint32_t value, int size) {
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

bool startsWith(ByteView data, std::initializer_list<std::uint8_t> prefix) {
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

std::optional<ImageSize> jpegSize(ByteView image) {
    std::size_t pos = 2;
    while (pos + 4 <= image.size()) {
        if (image[pos] != 0xFF) return std::nullopt;
        const std::uint8_t marker = image[pos + 1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        const std::size_t length = bigEndian(image.subspan(pos + 2, 2));
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (pos + 9 > image.size()) return std::nullopt;
            return ImageSize{bigEndian(image.subspan(pos + 7, 2)), bigEndian(image.subspan(pos + 5, 2))};
        }
        if (length < 2) return std::nullopt;
        pos += 2 + length;
    }
    return std::nullopt;
}

std::optional<ImageSize> codestreamSize(ByteView stream) {
    // SOC, SIZ marker, Lsiz, Rsiz, Xsiz, Ysiz, XOsiz, YOsiz
    if (!startsWith(stream, {0xFF, 0x4F, 0xFF, 0x51}) || stream.size() < 24) return std::nullopt;
    const std::uint32_t x = bigEndian(stream.subspan(8, 4));
    const std::uint32_t y = bigEndian(stream.subspan(12, 4));
    const std::uint32_t x0 = bigEndian(stream.subspan(16, 4));
    const std::uint32_t y0 = bigEndian(stream.subspan(20, 4));
    if (x0 > x || y0 > y) return std::nullopt;
    return ImageSize{x - x0, y - y0};
}

std::optional<ImageSize> jp2Size(ByteView file) {
    // The image header box "ihdr" sits in the header box "jp2h": height, width.
    static constexpr std::uint8_t ihdr[] = {'i', 'h', 'd', 'r'};
    const auto found = std::search(file.begin(), file.end(), std::begin(ihdr), std::end(ihdr));
    const auto at = static_cast<std::size_t>(found - file.begin());
    if (found == file.end() || at + 12 > file.size()) return std::nullopt;
    return ImageSize{bigEndian(file.subspan(at + 8, 4)), bigEndian(file.subspan(at + 4, 4))};
}

} // namespace

std::optional<ImageFormat> sniffImageFormat(ByteView image) {
    if (startsWith(image, {0xFF, 0xD8, 0xFF})) return ImageFormat::Jpeg;
    if (startsWith(image, {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A}) ||
        startsWith(image, {0xFF, 0x4F, 0xFF, 0x51}))
        return ImageFormat::Jpeg2000;
    return std::nullopt;
}

std::optional<ImageSize> sniffImageSize(ByteView image) {
    const auto format = sniffImageFormat(image);
    if (!format) return std::nullopt;
    if (*format == ImageFormat::Jpeg) return jpegSize(image);
    if (auto size = codestreamSize(image)) return size;
    return jp2Size(image);
}

Bytes buildDg2(ByteView image) {
    const auto format = sniffImageFormat(image);
    if (!format) throw ChipError("DG2: the face image is neither JPEG nor JPEG 2000");
    const ImageSize size = sniffImageSize(image).value_or(ImageSize{0, 0});
    const std::size_t blockLength = kFacialInformationSize + kImageInformationSize + image.size();

    Bytes record{'F', 'A', 'C', 0, '0', '1', '0', 0};
    putBigEndian(record, static_cast<std::uint32_t>(kRecordHeaderSize + blockLength), 4);
    putBigEndian(record, 1, 2); // one facial image
    // Facial information: block length, no feature points, gender, eye and
    // hair colour unspecified, no feature mask, expression or pose.
    putBigEndian(record, static_cast<std::uint32_t>(blockLength), 4);
    record.resize(record.size() + kFacialInformationSize - 4, 0);
    // Image information: full frontal, data type, size, sRGB, static photo
    // from an unknown source, unspecified device and quality.
    record.push_back(0x01);
    record.push_back(*format == ImageFormat::Jpeg ? kImageDataJpeg : kImageDataJpeg2000);
    putBigEndian(record, std::min<std::uint32_t>(size.width, 0xFFFF), 2);
    putBigEndian(record, std::min<std::uint32_t>(size.height, 0xFFFF), 2);
    record.push_back(0x01);
    record.push_back(0x02);
    putBigEndian(record, 0, 2);
    putBigEndian(record, 0, 2);
    append(record, image);

    // Biometric header: ICAO header version 1.1, facial features, no subtype,
    // format owner ISO/IEC JTC 1 SC 37, format type face image.
    Bytes header = encodeTlv(0x80, Bytes{0x01, 0x01});
    append(header, encodeTlv(0x81, Bytes{0x02}));
    append(header, encodeTlv(0x82, Bytes{0x00}));
    append(header, encodeTlv(0x87, Bytes{0x01, 0x01}));
    append(header, encodeTlv(0x88, Bytes{0x00, 0x08}));
    Bytes info = encodeTlv(kTagHeaderTemplate, header);
    append(info, encodeTlv(kTagDataBlock, record));

    Bytes group = encodeTlv(kTagInstanceCount, Bytes{0x01});
    append(group, encodeTlv(kTagInfoTemplate, info));
    return encodeTlv(kTagDg2, encodeTlv(kTagGroupTemplate, group));
}

FaceImage parseDg2(ByteView file) {
    const TlvObject outer = parseTlv(file);
    if (outer.tag != kTagDg2) throw MalformedDataError("Malformed DG2: does not start with tag 75");
    const TlvObject group = requireTlv(outer.value, kTagGroupTemplate, "DG2");
    const TlvObject info = requireTlv(group.value, kTagInfoTemplate, "DG2");
    auto block = findTlv(info.value, kTagDataBlock);
    if (!block) block = findTlv(info.value, kTagDataBlockEnciphered);
    if (!block) throw MalformedDataError("Malformed DG2: no biometric data block");

    const ByteView record = block->value;
    const std::size_t fixed = kRecordHeaderSize + kFacialInformationSize + kImageInformationSize;
    if (record.size() < fixed || !startsWith(record, {'F', 'A', 'C', 0}))
        throw MalformedDataError("Malformed DG2: not a facial record");
    if (bigEndian(record.subspan(12, 2)) == 0) throw MalformedDataError("Malformed DG2: no facial image");
    const ByteView facial = record.subspan(kRecordHeaderSize);
    const std::size_t blockLength = bigEndian(facial.first(4));
    const std::size_t featurePoints = bigEndian(facial.subspan(4, 2));
    const std::size_t imageStart = kFacialInformationSize + featurePoints * kFeaturePointSize + kImageInformationSize;
    if (blockLength < imageStart || blockLength > facial.size())
        throw MalformedDataError("Malformed DG2: facial record length does not fit");
    const ByteView imageInfo = facial.subspan(imageStart - kImageInformationSize, kImageInformationSize);
    const ByteView image = facial.subspan(imageStart, blockLength - imageStart);

    FaceImage face;
    face.data.assign(image.begin(), image.end());
    face.width = static_cast<std::uint16_t>(bigEndian(imageInfo.subspan(2, 2)));
    face.height = static_cast<std::uint16_t>(bigEndian(imageInfo.subspan(4, 2)));
    // The bytes decide, not the declared data type: chips are known to
    // declare one and carry the other.
    const auto format = sniffImageFormat(image);
    if (!format) throw MalformedDataError("Malformed DG2: face image is neither JPEG nor JPEG 2000");
    face.format = *format;
    return face;
}

} // namespace readerlink::chip
