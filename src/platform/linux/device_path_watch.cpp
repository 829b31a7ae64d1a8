#include "platform/linux/device_path_watch.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace readerlink::platform {
namespace {

// `prefix` is `path` or one of the folders above it.
bool leadsTo(const std::filesystem::path& prefix, const std::filesystem::path& path) {
    auto p = path.begin();
    for (const auto& part : prefix) {
        if (p == path.end() || *p != part)
            return false;
        ++p;
    }
    return true;
}

bool isThere(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

class InotifyDeviceWatch final : public serial::DeviceWatch {
public:
    InotifyDeviceWatch(std::filesystem::path path, std::function<void()> appeared)
        : path_(std::move(path)), appeared_(std::move(appeared)) {
        inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (inotify_ < 0)
            throw std::system_error(errno, std::generic_category(), "inotify_init1");
        stop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (stop_ < 0) {
            const int error = errno;
            ::close(inotify_);
            throw std::system_error(error, std::generic_category(), "eventfd");
        }
        // Armed before returning: a removal right after the call is seen.
        if (!watchNearestFolder()) {
            const int error = errno;
            ::close(stop_);
            ::close(inotify_);
            throw std::system_error(error, std::generic_category(), "inotify_add_watch");
        }
        gone_ = !isThere(path_);
        thread_ = std::thread([this] { run(); });
    }

    ~InotifyDeviceWatch() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
        thread_.join();
        ::close(stop_);
        ::close(inotify_);
    }

private:
    // Watches the deepest folder on the way to the path that exists; every
    // change there is a reason to look again.
    std::filesystem::path nearestFolder() const {
        std::filesystem::path folder = path_.parent_path();
        while (!folder.empty() && !isThere(folder) && folder != folder.root_path())
            folder = folder.parent_path();
        return folder;
    }

    // A folder made before its parent's watch was in place brings no event,
    // so the choice is made again until it holds.
    bool watchNearestFolder() {
        for (std::filesystem::path folder = nearestFolder(); folder != watched_;
             folder = nearestFolder()) {
            if (watch_ >= 0)
                ::inotify_rm_watch(inotify_, watch_);
            constexpr std::uint32_t kMask = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE |
                                            IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF |
                                            IN_ONLYDIR;
            watch_ = ::inotify_add_watch(inotify_, folder.c_str(), kMask);
            if (watch_ < 0) {
                watched_.clear();
                return false;
            }
            watched_ = folder;
        }
        return true;
    }

    void run() {
        alignas(inotify_event) char buffer[8 * 1024];
        for (;;) {
            if (!watchNearestFolder())
                return; // nothing left to watch: Connect is the way back
            if (!isThere(path_)) {
                gone_ = true;
            } else if (gone_) {
                appeared_();
                return;
            }
            pollfd fds[2] = {{inotify_, POLLIN, 0}, {stop_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents != 0)
                return;
            ssize_t length = 0;
            while ((length = ::read(inotify_, buffer, sizeof buffer)) > 0) {
                for (ssize_t at = 0; at < length;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                    if (event->wd != watch_)
                        continue;
                    // A removal on the way to the path: gone, however fast it comes back.
                    if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0 && event->len > 0 &&
                        leadsTo(watched_ / event->name, path_))
                        gone_ = true;
                    if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0)
                        gone_ = true;
                    if ((event->mask & IN_IGNORED) != 0) {
                        watch_ = -1; // the folder went; a new one of that name needs a new watch
                        watched_.clear();
                        gone_ = true;
                    }
                }
            }
        }
    }

    const std::filesystem::path path_;
    const std::function<void()> appeared_;
    int inotify_ = -1;
    int stop_ = -1;
    int watch_ = -1;
    std::filesystem::path watched_;
    bool gone_ = false; // seen gone since the call; a quick re-plug must not look like no unplug
    std::thread thread_;
};

} // namespace

std::filesystem::path linkTarget(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error)
        return path;
    return target.is_absolute() ? target : path.parent_path() / target;
}

std::unique_ptr<serial::DeviceWatch> watchDevicePath(std::filesystem::path path,
                                                     std::function<void()> appeared) {
    return std::make_unique<InotifyDeviceWatch>(std::move(path), std::move(appeared));
}

} // namespace readerlink::platform
