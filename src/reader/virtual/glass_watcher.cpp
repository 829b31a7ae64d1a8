#include "reader/virtual/glass_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace readerlink::virtualreader {

namespace {

// A created entry is complete at once when it is a symbolic link or a hard
// link to an existing file; a file being copied is complete at its close.
bool completeAtCreation(const std::filesystem::path& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink > 1 && info.st_size > 0);
}

} // namespace

GlassWatcher::GlassWatcher(const std::filesystem::path& folder, std::function<void(GlassChange)> onChange)
    : folder_(folder), onChange_(std::move(onChange)) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0)
        throw std::system_error(errno, std::generic_category(), "inotify_init1");
    constexpr std::uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                    IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(inotify_, folder_.c_str(), kMask) < 0) {
        const int error = errno;
        ::close(inotify_);
        throw std::system_error(error, std::generic_category(), "inotify_add_watch " + folder_.string());
    }
    stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_ < 0) {
        const int error = errno;
        ::close(inotify_);
        throw std::system_error(error, std::generic_category(), "eventfd");
    }
    thread_ = std::thread([this] { run(); });
}

GlassWatcher::~GlassWatcher() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
    thread_.join();
    ::close(stop_);
    ::close(inotify_);
}

void GlassWatcher::run() {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
        if (length <= 0)
            continue;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                onChange_({GlassChange::Kind::FolderGone, {}});
                return;
            }
            if (event->mask & IN_Q_OVERFLOW) {
                onChange_({GlassChange::Kind::Rescan, {}});
                continue;
            }
            if (event->len == 0 || (event->mask & IN_ISDIR))
                continue;
            const std::string name(event->name);
            if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                onChange_({GlassChange::Kind::Landed, name});
            else if ((event->mask & IN_CREATE) && completeAtCreation(folder_ / name))
                onChange_({GlassChange::Kind::Landed, name});
            else if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                onChange_({GlassChange::Kind::Left, name});
        }
    }
}

} // namespace readerlink::virtualreader
