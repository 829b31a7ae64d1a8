#pragma once

// Documents the virtual reader hands out: recognised MRZs and page pictures.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "reader/virtual/reader_session.h"
#include "reader/virtual/specimen.h"

namespace readerlink::virtualreader {

constexpr int kMrzLine1Field = 1001;
constexpr int kPortraitField = 2400;
constexpr int kChipMrzField = 4259840;
constexpr int kChipFaceField = 4325377;
constexpr int kChipFileMaskField = 4195303;

// Lines 1001-1003 with their statuses and the eleven record fields; forced
// statuses (field code -> status) take the place of the computed ones.
VirtualDocument mrzDocument(const std::vector<std::string>& lines, const std::map<int, int>& forced);

// MRZ text as the SDK's callers pass it; anything outside ASCII becomes a
// character the MRZ does not allow.
std::string toMrzAscii(std::u16string_view text);

// The part of `page` inside `crop`, clipped to the page; null when nothing is left.
SharedPicture cropPicture(const SharedPicture& page, const PortraitCrop& crop);

// What the camera sees with nothing on the glass.
SharedPicture emptyGlassPicture();

} // namespace readerlink::virtualreader
