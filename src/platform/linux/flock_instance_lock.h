#pragma once

// Single instance on Linux: an advisory lock (flock) on a per-user file. The
// kernel drops it when the holder ends, crashed or not, so a stale file never
// keeps the next start out.

#include "platform/single_instance.h"

#include <filesystem>
#include <string_view>

namespace readerlink::platform {

class FlockInstanceLock : public SingleInstanceLock {
public:
    explicit FlockInstanceLock(std::filesystem::path lockFile);
    ~FlockInstanceLock() override;
    FlockInstanceLock(const FlockInstanceLock&) = delete;
    FlockInstanceLock& operator=(const FlockInstanceLock&) = delete;

    // $XDG_RUNTIME_DIR/<name>.lock, else /tmp/<name>-<uid>.lock.
    static std::filesystem::path defaultPath(std::string_view name);

    const std::filesystem::path& path() const { return path_; }
    bool tryAcquire() override;

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace readerlink::platform
