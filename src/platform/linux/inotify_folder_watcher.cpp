#include "platform/folder_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

namespace readerlink::platform {

namespace {

// A created entry is complete at once when it is a symbolic link or a hard
// link to an existing file; a file being copied is complete at its close.
bool completeAtCreation(const std::filesystem::path& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink > 1 && info.st_size > 0);
}

// inotify on a thread of its own that sleeps in poll(2) on the inotify
// descriptor and a stop descriptor.
class InotifyFolderWatcher : public FolderWatcher {
public:
    InotifyFolderWatcher(const std::filesystem::path& folder,
                         std::function<void(FolderChange)> onChange);
    ~InotifyFolderWatcher() override;
    InotifyFolderWatcher(const InotifyFolderWatcher&) = delete;
    InotifyFolderWatcher& operator=(const InotifyFolderWatcher&) = delete;

private:
    void run();

    std::filesystem::path folder_;
    std::function<void(FolderChange)> onChange_;
    int inotify_ = -1;
    int stop_ = -1;
    std::thread thread_;
};

InotifyFolderWatcher::InotifyFolderWatcher(const std::filesystem::path& folder,
                                           std::function<void(FolderChange)> onChange)
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

InotifyFolderWatcher::~InotifyFolderWatcher() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
    thread_.join();
    ::close(stop_);
    ::close(inotify_);
}

void InotifyFolderWatcher::run() {
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
                onChange_({FolderChange::Kind::FolderGone, {}});
                return;
            }
            if (event->mask & IN_Q_OVERFLOW) {
                onChange_({FolderChange::Kind::Rescan, {}});
                continue;
            }
            if (event->len == 0 || (event->mask & IN_ISDIR))
                continue;
            const std::string name(event->name);
            if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                onChange_({FolderChange::Kind::Landed, name});
            else if ((event->mask & IN_CREATE) && completeAtCreation(folder_ / name))
                onChange_({FolderChange::Kind::Landed, name});
            else if (event->mask & (IN_DELETE | IN_MOVED_FROM))
                onChange_({FolderChange::Kind::Left, name});
        }
    }
}

} // namespace

std::unique_ptr<FolderWatcher> watchFolder(const std::filesystem::path& folder,
                                           std::function<void(FolderChange)> onChange) {
    return std::make_unique<InotifyFolderWatcher>(folder, std::move(onChange));
}

} // namespace readerlink::platform
