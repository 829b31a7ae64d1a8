#include "reader/chip/lds_files.h"

#include <array>

namespace readerlink::chip {

const Bytes kEmrtdApplicationId{0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01};

namespace {

constexpr std::array<LdsFile, 17> kFiles{{
    {0, 0x011E, 0x1E, 0x60},
    {1, 0x0101, 0x01, 0x61},
    {2, 0x0102, 0x02, 0x75},
    {3, 0x0103, 0x03, 0x63},
    {4, 0x0104, 0x04, 0x76},
    {5, 0x0105, 0x05, 0x65},
    {6, 0x0106, 0x06, 0x66},
    {7, 0x0107, 0x07, 0x67},
    {8, 0x0108, 0x08, 0x68},
    {9, 0x0109, 0x09, 0x69},
    {10, 0x010A, 0x0A, 0x6A},
    {11, 0x010B, 0x0B, 0x6B},
    {12, 0x010C, 0x0C, 0x6C},
    {13, 0x010D, 0x0D, 0x6D},
    {14, 0x010E, 0x0E, 0x6E},
    {15, 0x010F, 0x0F, 0x6F},
    {16, 0x0110, 0x10, 0x70},
}};

template <typename Match>
std::optional<LdsFile> find(Match match) {
    for (const LdsFile& file : kFiles)
        if (match(file)) return file;
    return std::nullopt;
}

} // namespace

std::optional<LdsFile> ldsFileByNumber(int number) {
    return find([&](const LdsFile& f) { return f.number == number; });
}

std::optional<LdsFile> ldsFileById(std::uint16_t fileId) {
    return find([&](const LdsFile& f) { return f.fileId == fileId; });
}

std::optional<LdsFile> ldsFileByShortId(std::uint8_t shortId) {
    return find([&](const LdsFile& f) { return f.shortId == shortId; });
}

std::optional<LdsFile> dataGroupByTag(std::uint8_t tag) {
    return find([&](const LdsFile& f) { return f.number != kEfComFile && f.tag == tag; });
}

} // namespace readerlink::chip
