#include "reader/virtual/chip_files.h"

#include "reader/virtual/ber_tlv.h"

namespace readerlink::virtualreader {

namespace {

constexpr std::uint8_t kDataGroupTags[17] = {0,    0x61, 0x75, 0x63, 0x76, 0x65, 0x66, 0x67, 0x68,
                                             0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70};

void putBigEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t getBigEndian(std::span<const std::uint8_t> data, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | data[at + i];
    return value;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// ISO/IEC 19794-5 (2005) facial record with one image and no feature points.
Bytes faceRecord(const Bytes& image, int width, int height, int imageType) {
    constexpr std::uint32_t kGeneralHeader = 14, kFacialInfo = 20, kImageInfo = 12;
    const auto blockLength = static_cast<std::uint32_t>(kFacialInfo + kImageInfo + image.size());
    Bytes r = {'F', 'A', 'C', 0, '0', '1', '0', 0};
    putBigEndian(r, kGeneralHeader + blockLength, 4);
    putBigEndian(r, 1, 2); // one facial image
    putBigEndian(r, blockLength, 4);
    putBigEndian(r, 0, 2);                      // feature points
    r.insert(r.end(), {0, 0, 0, 0, 0, 0, 0, 0}); // gender, eyes, hair, mask(3), expression(2)
    r.insert(r.end(), {0, 0, 0, 0, 0, 0});       // pose angles, uncertainties
    r.push_back(1);                              // full frontal
    r.push_back(static_cast<std::uint8_t>(imageType));
    putBigEndian(r, static_cast<std::uint32_t>(width), 2);
    putBigEndian(r, static_cast<std::uint32_t>(height), 2);
    r.insert(r.end(), {1, 2, 0, 0, 0, 0}); // 24-bit RGB, digital camera, device, quality
    r.insert(r.end(), image.begin(), image.end());
    return r;
}

std::optional<Dg2Content> parseFaceRecord(std::span<const std::uint8_t> r) {
    if (r.size() < 14 + 20 + 12 || r[0] != 'F' || r[1] != 'A' || r[2] != 'C' || r[3] != 0)
        return std::nullopt;
    const std::size_t block = 14;
    const std::uint32_t blockLength = getBigEndian(r, block, 4);
    const std::uint32_t featurePoints = getBigEndian(r, block + 4, 2);
    const std::size_t imageInfo = block + 20 + 8 * static_cast<std::size_t>(featurePoints);
    const std::size_t imageData = imageInfo + 12;
    if (imageData > r.size() || blockLength < imageData - block || blockLength > r.size() - block)
        return std::nullopt;
    Dg2Content face;
    face.imageType = r[imageInfo + 1];
    const auto data = r.subspan(imageData, block + blockLength - imageData);
    face.image.assign(data.begin(), data.end());
    return face;
}

} // namespace

std::uint8_t dataGroupTag(int dataGroup) {
    return dataGroup >= 1 && dataGroup <= 16 ? kDataGroupTags[dataGroup] : 0;
}

Bytes buildEfCom(const std::vector<int>& dataGroups) {
    Bytes tags;
    for (int dg : dataGroups)
        if (const auto tag = dataGroupTag(dg))
            tags.push_back(tag);
    Bytes body;
    appendTlv(body, 0x5F01, text("0107"));
    appendTlv(body, 0x5F36, text("040000"));
    appendTlv(body, 0x5C, tags);
    Bytes file;
    appendTlv(file, 0x60, body);
    return file;
}

Bytes buildDg1(const std::string& mrzRunTogether) {
    Bytes body;
    appendTlv(body, 0x5F1F, text(mrzRunTogether));
    Bytes file;
    appendTlv(file, 0x61, body);
    return file;
}

Bytes buildDg2(const Bytes& image, int width, int height, int imageType) {
    Bytes header;
    appendTlv(header, 0x80, Bytes{0x01, 0x01}); // header version
    appendTlv(header, 0x81, Bytes{0x02});       // biometric type: face
    appendTlv(header, 0x87, Bytes{0x01, 0x01}); // format owner
    appendTlv(header, 0x88, Bytes{0x00, 0x08}); // format type
    Bytes templ;
    appendTlv(templ, 0xA1, header);
    appendTlv(templ, 0x5F2E, faceRecord(image, width, height, imageType));
    Bytes group;
    appendTlv(group, 0x02, Bytes{0x01}); // one instance
    appendTlv(group, 0x7F60, templ);
    Bytes body;
    appendTlv(body, 0x7F61, group);
    Bytes file;
    appendTlv(file, 0x75, body);
    return file;
}

std::optional<ChipFileContent> resolveChipFile(const Bytes& file) {
    const auto outer = parseTlvs(file);
    if (!outer || outer->size() != 1)
        return std::nullopt;
    const Tlv& top = outer->front();
    switch (top.tag) {
    case 0x60: {
        const auto list = findTlv(top.value, 0x5C);
        if (!list)
            return std::nullopt;
        EfComContent com;
        com.fileMask = 1;
        for (std::uint8_t tag : list->value)
            for (int dg = 1; dg <= 16; ++dg)
                if (kDataGroupTags[dg] == tag)
                    com.fileMask |= 1u << dg;
        return com;
    }
    case 0x61: {
        const auto mrz = findTlv(top.value, 0x5F1F);
        if (!mrz)
            return std::nullopt;
        return Dg1Content{std::string(mrz->value.begin(), mrz->value.end())};
    }
    case 0x75: {
        const auto group = findTlv(top.value, 0x7F61);
        if (!group)
            return std::nullopt;
        const auto templ = findTlv(group->value, 0x7F60);
        if (!templ)
            return std::nullopt;
        auto record = findTlv(templ->value, 0x5F2E);
        if (!record)
            record = findTlv(templ->value, 0x7F2E);
        if (!record)
            return std::nullopt;
        auto face = parseFaceRecord(record->value);
        if (!face)
            return std::nullopt;
        return *face;
    }
    default:
        if (top.tag > 0xFF)
            return std::nullopt;
        return OtherContent{static_cast<std::uint8_t>(top.tag)};
    }
}

} // namespace readerlink::virtualreader
