#pragma once

// Document field codes the read uses and the status word of a field status.

#include <array>
#include <string>

namespace readerlink::reader {

namespace field {
constexpr int kMrzLine1 = 1001;
constexpr int kMrzLine2 = 1002;
constexpr int kMrzLine3 = 1003;
constexpr int kChipMrz = 4259840;      // 0x410000, the chip's MRZ file
constexpr int kChipFileMask = 4195303; // 0x4003E7, with property 2
constexpr int kFileMaskProperty = 2;
} // namespace field

// The eleven fields of the field record, in record order.
constexpr std::array<int, 11> kRecordFieldCodes = {10102, 10103, 2113, 2114,  2120, 2132,
                                                   2135,  2136,  2137, 10119, 10130};

// "Ok" for 0-99, "Warning" for 100-199, "Error" for 200-299. Statuses outside
// that range have no word of their own and read "Unknown", so a status the
// reader adds later never shows as "Ok".
std::u16string statusWord(int status);

} // namespace readerlink::reader
