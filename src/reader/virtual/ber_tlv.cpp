#include "reader/virtual/ber_tlv.h"

namespace readerlink::virtualreader {

std::optional<std::vector<Tlv>> parseTlvs(std::span<const std::uint8_t> data) {
    std::vector<Tlv> objects;
    std::size_t at = 0;
    while (at < data.size()) {
        std::uint32_t tag = data[at++];
        if ((tag & 0x1F) == 0x1F) {
            for (int more = 0;; ++more) {
                if (at >= data.size() || more == 2)
                    return std::nullopt;
                const std::uint8_t b = data[at++];
                tag = (tag << 8) | b;
                if ((b & 0x80) == 0)
                    break;
            }
        }
        if (at >= data.size())
            return std::nullopt;
        std::size_t length = data[at++];
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || data.size() - at < count)
                return std::nullopt;
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | data[at++];
        }
        if (length > data.size() - at)
            return std::nullopt;
        objects.push_back({tag, data.subspan(at, length)});
        at += length;
    }
    return objects;
}

std::optional<Tlv> findTlv(std::span<const std::uint8_t> data, std::uint32_t tag) {
    const auto objects = parseTlvs(data);
    if (!objects)
        return std::nullopt;
    for (const auto& object : *objects)
        if (object.tag == tag)
            return object;
    return std::nullopt;
}

void appendTlv(std::vector<std::uint8_t>& out, std::uint32_t tag, std::span<const std::uint8_t> value) {
    if (tag > 0xFFFF)
        out.push_back(static_cast<std::uint8_t>(tag >> 16));
    if (tag > 0xFF)
        out.push_back(static_cast<std::uint8_t>(tag >> 8));
    out.push_back(static_cast<std::uint8_t>(tag));
    const std::size_t n = value.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n <= 0xFF) {
        out.push_back(0x81);
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n <= 0xFFFF) {
        out.push_back(0x82);
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n));
    } else {
        out.push_back(0x83);
        out.push_back(static_cast<std::uint8_t>(n >> 16));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(n));
    }
    out.insert(out.end(), value.begin(), value.end());
}

} // namespace readerlink::virtualreader
