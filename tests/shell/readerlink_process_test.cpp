// The real program, started as a station would start it: a copy of the
// executable in a fresh folder (its Settings.ini beside it), on the offscreen
// platform, with a private lock folder.

#include "fakes/temp_dir.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace readerlink::shell::testing {
namespace {

using namespace std::chrono_literals;

class Process {
public:
    Process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
            const std::vector<std::string>& extraEnvironment) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addchdir_np(&actions, program.parent_path().c_str());
        std::vector<std::string> args{program.string()};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = extraEnvironment;
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const std::string key = entry.substr(0, entry.find('=') + 1);
            bool overridden = false;
            for (const auto& x : extraEnvironment)
                overridden = overridden || x.rfind(key, 0) == 0;
            if (!overridden)
                env.push_back(entry);
        }
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Process() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }

    // Reads both streams until `text` shows on standard output or the time is up.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (stdout_.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= end || !pump(end))
                return stdout_.find(text) != std::string::npos;
        }
        return true;
    }

    // The exit code, or nullopt when it did not exit in time.
    std::optional<int> waitForExit(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                while (pump(std::chrono::steady_clock::now() + 100ms)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            pump(std::chrono::steady_clock::now() + 50ms);
        }
        return std::nullopt;
    }

    bool running() const {
        int status = 0;
        return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    void signal(int sig) { ::kill(pid_, sig); }

    const std::string& standardOutput() const { return stdout_; }
    const std::string& standardError() const { return stderr_; }

private:
    // False once both streams are closed.
    bool pump(std::chrono::steady_clock::time_point until) {
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (::poll(fds, 2, static_cast<int>(std::max<long long>(0, left.count()))) <= 0)
            return true;
        bool open = false;
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) {
                open = true;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? stdout_ : stderr_).append(buffer, static_cast<std::size_t>(n));
                open = true;
            }
        }
        return open;
    }

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    std::string stdout_, stderr_;
};

constexpr auto kStartLimit = 30s; // generous: sanitizer builds start slowly
const std::string kConnectLine = "The passport reader is not available yet";

class ReaderlinkProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(READERLINK_BINARY, program());
        std::filesystem::create_directory(dir / "run");
        std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
    }
    std::filesystem::path program() const { return dir / "readerlink"; }
    std::unique_ptr<Process> launch(std::vector<std::string> arguments = {}) {
        return std::make_unique<Process>(
            program(), arguments,
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen",
                                     "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                     "XDG_CONFIG_HOME=" + (dir / "config").string()});
    }
    TempDir dir;
};

TEST_F(ReaderlinkProcess, SecondInstanceSaysAlreadyRunningAndLeavesTheFirstAlone) {
    auto first = launch();
    ASSERT_TRUE(first->waitForOutput(kConnectLine, kStartLimit)) << first->standardError();
    EXPECT_EQ(readFile(dir / "Settings.ini"), "[Reader]\nIndex=3\nApp=0\nTwoLines=1\nComPort=0\n");

    auto second = launch({"/m"});
    EXPECT_EQ(second->waitForExit(kStartLimit), 0);
    EXPECT_NE(second->standardError().find("Already running"), std::string::npos);
    EXPECT_EQ(second->standardOutput(), "");
    EXPECT_TRUE(first->running());

    // A crashed station must not keep the next one out.
    first->signal(SIGKILL);
    first->waitForExit(kStartLimit);
    auto third = launch();
    EXPECT_TRUE(third->waitForOutput(kConnectLine, kStartLimit)) << third->standardError();
}

TEST_F(ReaderlinkProcess, StopSignalClosesTheWindowInOrder) {
    auto station = launch();
    ASSERT_TRUE(station->waitForOutput(kConnectLine, kStartLimit)) << station->standardError();
    station->signal(SIGTERM);
    EXPECT_EQ(station->waitForExit(kStartLimit), 0);
    EXPECT_NE(
        readFile(dir / "Settings.ini").find("[Barcode]\nPhotoPath=" + (dir / "Photos").string()),
        std::string::npos);
}

TEST_F(ReaderlinkProcess, InformationOptionsPrintAndExit) {
    auto version = launch({"--version"});
    EXPECT_EQ(version->waitForExit(kStartLimit), 0);
    EXPECT_EQ(version->standardOutput().rfind("readerlink ", 0), 0u);
    auto help = launch({"--help"});
    EXPECT_EQ(help->waitForExit(kStartLimit), 0);
    EXPECT_NE(help->standardOutput().find("/m"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.ini"));
}

} // namespace
} // namespace readerlink::shell::testing
