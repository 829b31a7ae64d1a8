#include "platform/linux/flock_instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace readerlink::platform {

FlockInstanceLock::FlockInstanceLock(std::filesystem::path lockFile) : path_(std::move(lockFile)) {}

FlockInstanceLock::~FlockInstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::filesystem::path FlockInstanceLock::defaultPath(std::string_view name) {
    const std::string file(name);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
            return std::filesystem::path(runtime) / (file + ".lock");
    }
    return std::filesystem::path("/tmp") / (file + "-" + std::to_string(::geteuid()) + ".lock");
}

bool FlockInstanceLock::tryAcquire() {
    if (fd_ >= 0)
        return true;
    // CLOEXEC: a program we start (the image converter) must not inherit the lock.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        // Without a lock we cannot tell; a station that refuses to start is worse.
        std::cerr << "readerlink: cannot use the single-instance lock " << path_.string() << ": "
                  << (fd < 0 ? std::strerror(errno) : "owned by another user")
                  << "; starting anyway\n";
        if (fd >= 0)
            ::close(fd);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return false;
        std::cerr << "readerlink: cannot lock " << path_.string() << ": " << std::strerror(err)
                  << "; starting anyway\n";
        return true;
    }
    fd_ = fd;
    return true;
}

std::unique_ptr<SingleInstanceLock> makeSingleInstanceLock(std::string_view name) {
    return std::make_unique<FlockInstanceLock>(FlockInstanceLock::defaultPath(name));
}

} // namespace readerlink::platform
