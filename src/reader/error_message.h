#pragma once

// One line for the last error of an SDK control:
// "Error (" + code as 8 upper-case hex digits of the unsigned value + "): " + text.

#include <string>

#include "reader/sdk/pr_api.h"
#include "reader/sdk/pr_doc.h"

namespace readerlink::reader {

std::u16string GetErrorMsg(sdk::PrApi& api);
std::u16string GetErrorMsg(sdk::PrDoc& doc);

// The format itself, for a code and text already at hand.
std::u16string formatErrorMsg(int code, std::u16string_view text);

} // namespace readerlink::reader
