#include "serial/com_port_error.h"

#include "common/text.h"

namespace readerlink::serial {
namespace {

std::u16string messageFor(ComErrorCode code, std::int64_t osError) {
    std::u16string text = ComErrorText(code);
    if (osError > 0)
        text += u" (Error: " + toDecimal(osError) + u")";
    return text;
}

} // namespace

std::u16string ComErrorText(ComErrorCode code) {
    switch (code) {
    case ComErrorCode::OpenFailed: return u"Unable to open com port";
    case ComErrorCode::WriteFailed: return u"WriteFile function failed";
    case ComErrorCode::ReadFailed: return u"ReadFile function failed";
    case ComErrorCode::InvalidAsync: return u"Invalid Async parameter";
    case ComErrorCode::PurgeFailed: return u"PurgeComm function failed";
    case ComErrorCode::AsyncCheck: return u"Unable to get async status";
    case ComErrorCode::SetStateFailed: return u"SetCommState function failed";
    case ComErrorCode::TimeoutsFailed: return u"SetCommTimeouts failed";
    case ComErrorCode::SetupComFailed: return u"SetupComm function failed";
    case ComErrorCode::ClearComFailed: return u"ClearCommError function failed";
    case ComErrorCode::ModemStatFailed: return u"GetCommModemStatus function failed";
    case ComErrorCode::PortNotOpen: return u"Port Not Open";
    }
    return {};
}

ComPortError::ComPortError(ComErrorCode code, std::int64_t osError)
    : Error(messageFor(code, osError)), code_(code), winCode_(osError > 0 ? osError : -1) {}

} // namespace readerlink::serial
