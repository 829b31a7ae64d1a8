#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace readerlink::platform {

namespace {

std::atomic<unsigned> tempCounter{0};

std::error_code lastError() {
    return {errno, std::generic_category()};
}

std::error_code writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return lastError();
        done += static_cast<std::size_t>(n);
    }
    return {};
}

std::error_code rewriteInPlace(const std::filesystem::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return lastError();
    struct stat info {};
    std::error_code error;
    if (::fstat(fd, &info) != 0)
        error = lastError();
    else if (!S_ISREG(info.st_mode))
        error = std::make_error_code(std::errc::invalid_argument);
    // A full disk must fail before the old contents are touched.
    else if (bytes.size() > static_cast<std::size_t>(info.st_size)) {
        const int reserved =
            ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
            error = std::error_code(reserved, std::generic_category());
    }
    if (!error)
        error = writeAll(fd, bytes);
    if (!error && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        error = lastError();
    if (!error && ::fsync(fd) != 0)
        error = lastError();
    if (::close(fd) != 0 && !error)
        error = lastError();
    return error;
}

} // namespace

std::error_code replaceFile(const std::filesystem::path& path, std::string_view bytes,
                            WhenFolderIsReadOnly readOnlyFolder) {
    std::filesystem::path dir = path.parent_path();
    if (dir.empty())
        dir = ".";
    // Built piece by piece: gcc 12 warns wrongly about `"." + string` at -O3.
    std::string name = ".";
    name += path.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += '.';
    name += std::to_string(tempCounter++);
    name += ".tmp";
    const std::filesystem::path temp = dir / name;

    struct stat existing {};
    const bool keepMode = ::stat(path.c_str(), &existing) == 0;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const auto error = lastError();
        if (keepMode && readOnlyFolder == WhenFolderIsReadOnly::WriteInPlace &&
            (errno == EACCES || errno == EPERM) && ::access(path.c_str(), W_OK) == 0)
            return rewriteInPlace(path, bytes);
        return error;
    }
    const auto abandon = [&](std::error_code error) {
        ::close(fd);
        ::unlink(temp.c_str());
        return error;
    };
    if (keepMode && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return abandon(lastError());
    if (const auto error = writeAll(fd, bytes))
        return abandon(error);
    if (::fsync(fd) != 0)
        return abandon(lastError());
    if (::close(fd) != 0) {
        const auto error = lastError();
        ::unlink(temp.c_str());
        return error;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const auto error = lastError();
        ::unlink(temp.c_str());
        return error;
    }
    // The rename itself must survive a power cut too.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

} // namespace readerlink::platform
