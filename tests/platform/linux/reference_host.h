#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace readerlink::testing {

// readerlink-host as a child process, its output (stdout and stderr) gathered
// as it comes so the pipe never fills.
class ReferenceHost {
public:
    // Starts the tool with `args` in this process's environment and waits
    // until it listens; throws when it does not.
    explicit ReferenceHost(std::vector<std::string> args = {},
                           std::chrono::milliseconds startBound = std::chrono::seconds(10));
    ~ReferenceHost();
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    // The output so far once `done` holds for it, or whatever came by the bound.
    std::string waitForOutput(const std::function<bool(const std::string&)>& done,
                              std::chrono::milliseconds bound = std::chrono::seconds(10));
    // Waits until `text` appears in the output.
    bool waitFor(const std::string& text,
                 std::chrono::milliseconds bound = std::chrono::seconds(10));
    std::string output();

    // The exit status once the tool has ended, nullopt when it runs past the bound.
    std::optional<int> waitExit(std::chrono::milliseconds bound = std::chrono::seconds(10));
    void kill(int signal);

    // Runs the tool to its end (for starts that must fail); returns status and output.
    static std::pair<int, std::string> runToEnd(const std::vector<std::string>& args);

    static std::string toolPath();

private:
    struct Unwatched {};
    ReferenceHost(Unwatched, const std::vector<std::string>& args);
    void spawn(const std::vector<std::string>& args);
    void gather();

    pid_t pid_ = -1;
    int out_ = -1;
    std::optional<int> status_;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_;
    bool closed_ = false;
};

// The record bytes of a "--hex" dump, in order.
std::vector<std::uint8_t> parseHexDump(const std::string& output);

} // namespace readerlink::testing
