#pragma once

// One running station per user: the first process takes a named lock and
// keeps it until it ends, however it ends.

#include <memory>
#include <string_view>

namespace readerlink::platform {

class SingleInstanceLock {
public:
    virtual ~SingleInstanceLock() = default;

    // True when this process now holds the lock (or already did); false when
    // another running process holds it.
    virtual bool tryAcquire() = 0;
};

// The backend of this platform for the current user; `name` identifies the program.
std::unique_ptr<SingleInstanceLock> makeSingleInstanceLock(std::string_view name);

} // namespace readerlink::platform
