#pragma once

// Errors an SDK control raises from a call (as an ActiveX control raises an
// OLE exception), and the factory's refusal of a class id.

#include <string>

#include "common/error.h"

namespace readerlink::sdk {

class SdkError : public Error {
public:
    SdkError(int code, std::u16string message) : Error(std::move(message)), code_(code) {}
    int code() const noexcept { return code_; }

private:
    int code_;
};

// No backend provides the class id.
class ClassNotRegistered : public Error {
public:
    explicit ClassNotRegistered(std::u16string_view classId)
        : Error(u"Class not registered: " + std::u16string(classId)) {}
};

} // namespace readerlink::sdk
