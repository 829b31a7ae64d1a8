#pragma once

// Another Windows program started by a test, its standard output collected
// as it comes. Ended when the object goes, if it has not ended by then.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace readerlink::testing {

// A build-machine path as Windows sees it (Wine maps / to drive Z:).
std::wstring windowsPath(const std::string& buildPath);

class ChildProcess {
public:
    ChildProcess(const std::wstring& program, const std::vector<std::wstring>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits until the output holds `text`; false when it did not in time.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds bound);
    // The exit code, or nullopt when it is still running after `bound`.
    std::optional<DWORD> waitForExit(std::chrono::milliseconds bound);
    std::string output();

private:
    PROCESS_INFORMATION process_{};
    HANDLE readEnd_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable grew_;
    std::string output_;
};

} // namespace readerlink::testing
