#include "reader/sdk_error_msg.h"

#include <cstdint>

namespace readerlink::read {

std::u16string errorMsgText(int code, const std::u16string& text) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(code);
    std::u16string hex(8, u'0');
    for (int i = 0; i < 8; ++i)
        hex[7 - i] = kDigits[(value >> (4 * i)) & 0xF];
    return u"Error (" + hex + u"): " + text;
}

std::u16string GetErrorMsg(sdk::PrApi& api) {
    const int code = api.GetErrorCode();
    return errorMsgText(code, api.GetErrorString());
}

std::u16string GetErrorMsg(sdk::PrDoc& doc) {
    const int code = doc.GetErrorCode();
    return errorMsgText(code, doc.GetErrorString());
}

} // namespace readerlink::read
