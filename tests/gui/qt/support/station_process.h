#pragma once

// The real program as a child process: its standard output and error
// gathered as they come, its exit awaited with a bound.

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace readerlink::station::testing {

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
    // `from`: where in the output to look, so an earlier line does not count.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit,
                       std::size_t from = 0) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (stdout_.find(text, from) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= end || !pump(end))
                return stdout_.find(text, from) != std::string::npos;
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

// Polls `done` until it holds or the time is up; whether it held.
template <class Condition> bool waitUntil(Condition done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::usleep(20'000);
    }
    return true;
}

} // namespace readerlink::station::testing
