#pragma once

// The virtual reader's last error, as GetErrorCode and GetErrorString report it.

#include "reader/sdk/sdk_types.h"
#include "reader/virtual/error_codes.h"

#include <string>

namespace readerlink::virtualreader {

class DeviceStatus {
public:
    void ok() {
        code_ = kNoError;
        text_ = errorText(kNoError);
    }
    sdk::SdkBool okBool() {
        ok();
        return sdk::kSdkTrue;
    }
    // Records the error (its standard text unless one is given); returns the code.
    int fail(int code, std::u16string text = {}) {
        code_ = code;
        text_ = text.empty() ? errorText(code) : std::move(text);
        return code;
    }
    sdk::SdkBool failBool(int code, std::u16string text = {}) {
        fail(code, std::move(text));
        return sdk::kSdkFalse;
    }
    sdk::DocHandle failHandle(int code, std::u16string text = {}) {
        fail(code, std::move(text));
        return 0;
    }

    int code() const { return code_; }
    const std::u16string& text() const { return text_; }

private:
    int code_ = kNoError;
    std::u16string text_ = errorText(kNoError);
};

} // namespace readerlink::virtualreader
