#pragma once

// EF.COM, the chip's table of contents: tag 60 holding the LDS version
// (5F01), the Unicode version (5F36) and the tag list (5C) of the data groups
// present. The station turns the tag list into a file mask: bit f set means
// file f can be read, bit 0 being EF.COM itself.

#include <cstdint>
#include <string>
#include <vector>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

struct EfCom {
    std::string ldsVersion = "0107";     // four digits: major, minor
    std::string unicodeVersion = "040000";
    std::vector<int> dataGroups;          // 1..16, in the order listed
};

Bytes buildEfCom(const EfCom& contents);

// MalformedDataError for a file that is not tag 60 or lacks its tag list.
// Tags in the list that name no data group are skipped.
EfCom parseEfCom(ByteView file);

std::uint32_t fileMaskOf(const EfCom& contents);

} // namespace readerlink::chip
