#include "support/temp_dir.h"
#include "platform/linux/flock_instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

using readerlink::testing::TempDir;

// A second process holding the lock until it is killed: it reports over a
// pipe once it holds the lock (or not).
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& file) {
        int fds[2];
        if (::pipe(fds) != 0)
            throw std::runtime_error("pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            FlockInstanceLock lock(file);
            const char got = lock.tryAcquire() ? 'y' : 'n';
            (void)!::write(fds[1], &got, 1);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char got = 0;
        if (::read(fds[0], &got, 1) == 1)
            acquired_ = got == 'y';
        ::close(fds[0]);
    }
    ~LockHolder() { crash(); }

    bool acquired() const { return acquired_; }
    // Ends the holder as a crash would: no clean-up of its own runs.
    void crash() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    bool acquired_ = false;
};

TEST(FlockInstanceLock, SecondProcessIsRefusedUntilTheFirstEndsHoweverItEnds) {
    TempDir dir;
    const auto file = dir / "TFrmReaderControl.lock";
    LockHolder first(file);
    ASSERT_TRUE(first.acquired());

    FlockInstanceLock second(file);
    EXPECT_FALSE(second.tryAcquire());
    LockHolder third(file);
    EXPECT_FALSE(third.acquired());

    first.crash();
    EXPECT_TRUE(std::filesystem::exists(file)); // the stale file is no obstacle
    EXPECT_TRUE(second.tryAcquire());
    EXPECT_TRUE(second.tryAcquire()); // held already
    LockHolder fourth(file);
    EXPECT_FALSE(fourth.acquired());
}

TEST(FlockInstanceLock, DefaultPathIsPerUserAndNamedForTheWindowClass) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    TempDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(FlockInstanceLock::defaultPath("TFrmReaderControl"), dir / "TFrmReaderControl.lock");
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(
        FlockInstanceLock::defaultPath("TFrmReaderControl"),
        std::filesystem::path("/tmp/TFrmReaderControl-" + std::to_string(::geteuid()) + ".lock"));
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

TEST(FlockInstanceLock, UnusableLockFileDoesNotKeepTheStationFromStarting) {
    TempDir dir;
    FlockInstanceLock lock(dir / "missing-folder" / "x.lock");
    EXPECT_TRUE(lock.tryAcquire());
}

} // namespace
} // namespace readerlink::platform
