// Waiting for an adapter's device path to come back.

#include "platform/linux/device_path_watch.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

// Records the phase of the test at each call.
class Calls {
public:
    std::function<void()> handler() {
        return [this] {
            std::lock_guard lock(mutex_);
            seen_.push_back(phase.load());
            changed_.notify_all();
        };
    }
    bool waitForOne() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return !seen_.empty(); });
    }
    std::vector<int> seen() {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    std::atomic<int> phase{0};

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> seen_;
};

TEST(DevicePathWatch, FoldersThatComeBackOneByOneAreFollowedDown) {
    TempDir dir;
    const std::filesystem::path link = dir.path() / "serial" / "by-id" / "usb-reader";
    Calls calls;
    auto watch = watchDevicePath(link, calls.handler());
    calls.phase = 1;
    std::filesystem::create_directories(link.parent_path());
    std::ofstream(dir.path() / "ttyUSB1").put('x');
    std::filesystem::create_symlink(dir.path() / "ttyUSB1", link);
    ASSERT_TRUE(calls.waitForOne());
    watch.reset();
    EXPECT_EQ(calls.seen(), std::vector<int>{1});
}

// udev may not yet have taken the link away when the hang-up is seen.
TEST(DevicePathWatch, APathStillThereCountsOnlyAfterItWent) {
    TempDir dir;
    const std::filesystem::path device = dir.path() / "usb-reader";
    std::ofstream(device).put('x');
    Calls calls;
    auto watch = watchDevicePath(device, calls.handler());
    std::filesystem::last_write_time(device, std::filesystem::file_time_type::clock::now());
    calls.phase = 1;
    std::filesystem::remove(device);
    calls.phase = 2;
    std::ofstream(device).put('y');
    ASSERT_TRUE(calls.waitForOne());
    watch.reset();
    EXPECT_EQ(calls.seen(), std::vector<int>{2});
}

TEST(DevicePathWatch, LinkTargetsAreTakenFromTheLinksFolder) {
    TempDir dir;
    std::filesystem::create_symlink("../../ttyUSB0", dir.path() / "relative");
    std::filesystem::create_symlink("/dev/serial/by-id/x", dir.path() / "absolute");
    EXPECT_EQ(linkTarget(dir.path() / "relative"), dir.path() / "../../ttyUSB0");
    EXPECT_EQ(linkTarget(dir.path() / "absolute"), "/dev/serial/by-id/x");
    EXPECT_EQ(linkTarget(dir.path() / "none"), dir.path() / "none");
}

} // namespace
} // namespace readerlink::platform
