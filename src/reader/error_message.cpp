#include "reader/error_message.h"

#include <cstdint>

namespace readerlink::reader {

std::u16string formatErrorMsg(int code, std::u16string_view text) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(code);
    std::u16string line = u"Error (";
    for (int shift = 28; shift >= 0; shift -= 4)
        line.push_back(kHex[(value >> shift) & 0xF]);
    line += u"): ";
    line += text;
    return line;
}

std::u16string GetErrorMsg(sdk::PrApi& api) {
    const int code = api.GetErrorCode();
    return formatErrorMsg(code, api.GetErrorString());
}

std::u16string GetErrorMsg(sdk::PrDoc& doc) {
    const int code = doc.GetErrorCode();
    return formatErrorMsg(code, doc.GetErrorString());
}

} // namespace readerlink::reader
