#include "reference_host.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace readerlink::testing {

std::string ReferenceHost::toolPath() {
    return READERLINK_HOST_TOOL;
}

ReferenceHost::ReferenceHost(std::vector<std::string> args, std::chrono::milliseconds startBound) {
    spawn(args);
    if (!waitFor("listening on ", startBound)) {
        kill(SIGKILL);
        throw std::runtime_error("readerlink-host did not start: " + output());
    }
}

ReferenceHost::~ReferenceHost() {
    if (!status_) {
        kill(SIGTERM);
        if (!waitExit(std::chrono::seconds(5))) {
            kill(SIGKILL);
            waitExit(std::chrono::seconds(5));
        }
    }
    if (reader_.joinable())
        reader_.join();
    if (out_ >= 0)
        ::close(out_);
}

void ReferenceHost::spawn(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);

    const std::string tool = toolPath();
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("cannot start " + tool);
    }
    out_ = pipeFds[0];
    reader_ = std::thread([this] { gather(); });
}

void ReferenceHost::gather() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        std::lock_guard lock(mutex_);
        if (n <= 0) {
            closed_ = true;
            changed_.notify_all();
            return;
        }
        output_.append(buffer, static_cast<std::size_t>(n));
        changed_.notify_all();
    }
}

std::string ReferenceHost::waitForOutput(const std::function<bool(const std::string&)>& done,
                                         std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [&] { return done(output_) || closed_; });
    return output_;
}

bool ReferenceHost::waitFor(const std::string& text, std::chrono::milliseconds bound) {
    const std::string out = waitForOutput(
        [&](const std::string& o) { return o.find(text) != std::string::npos; }, bound);
    return out.find(text) != std::string::npos;
}

std::string ReferenceHost::output() {
    std::lock_guard lock(mutex_);
    return output_;
}

std::optional<int> ReferenceHost::waitExit(std::chrono::milliseconds bound) {
    if (status_)
        return status_;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ReferenceHost::kill(int signal) {
    if (!status_ && pid_ > 0)
        ::kill(pid_, signal);
}

ReferenceHost::ReferenceHost(Unwatched, const std::vector<std::string>& args) {
    spawn(args);
}

std::pair<int, std::string> ReferenceHost::runToEnd(const std::vector<std::string>& args) {
    ReferenceHost host(Unwatched{}, args);
    const auto status = host.waitExit();
    if (!status)
        throw std::runtime_error("readerlink-host did not end: " + host.output());
    // The pipe closes with the process; wait for the last of its output.
    const std::string out = host.waitForOutput([](const std::string&) { return false; });
    return {*status, out};
}

std::vector<std::uint8_t> parseHexDump(const std::string& output) {
    std::vector<std::uint8_t> bytes;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        // "  0000  01 00 ..." : an indented offset of four hex digits, then bytes
        std::istringstream fields(line);
        std::string offset;
        if (line.rfind("  ", 0) != 0 || !(fields >> offset) || offset.size() != 4 ||
            offset.find_first_not_of("0123456789abcdef") != std::string::npos)
            continue;
        std::string byte;
        while (fields >> byte)
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

} // namespace readerlink::testing
