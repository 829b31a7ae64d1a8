#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace readerlink::serial {

enum class ComErrorCode : int {
    OpenFailed = 1,
    WriteFailed = 2,
    ReadFailed = 3,
    InvalidAsync = 4,
    PurgeFailed = 5,
    AsyncCheck = 6,
    SetStateFailed = 7,
    TimeoutsFailed = 8,
    SetupComFailed = 9,
    ClearComFailed = 10,
    ModemStatFailed = 11,
    PortNotOpen = 24,
};

// The fixed text of a code.
std::u16string ComErrorText(ComErrorCode code);

// The port's error: the code's text, followed by " (Error: n)" when the OS
// gave an error number n above 0.
class ComPortError : public Error {
public:
    ComPortError(ComErrorCode code, std::int64_t osError);

    int Code() const noexcept { return static_cast<int>(code_); }
    // The OS error number, or -1 when there was none.
    std::int64_t WinCode() const noexcept { return winCode_; }

private:
    ComErrorCode code_;
    std::int64_t winCode_;
};

} // namespace readerlink::serial
