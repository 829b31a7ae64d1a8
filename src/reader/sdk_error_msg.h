#pragma once

// One line for the last error of an SDK control, as the log shows it:
// "Error (" + the code as 8 upper-case hex digits + "): " + the text.

#include "reader/sdk/pr_api.h"
#include "reader/sdk/pr_doc.h"

#include <string>

namespace readerlink::read {

std::u16string GetErrorMsg(sdk::PrApi& api);
std::u16string GetErrorMsg(sdk::PrDoc& doc);

// The format itself, for any control: the code is taken as unsigned 32 bits.
std::u16string errorMsgText(int code, const std::u16string& text);

} // namespace readerlink::read
