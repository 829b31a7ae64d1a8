#include "child_process.h"

#include <algorithm>
#include <stdexcept>

namespace readerlink::testing {

std::wstring windowsPath(const std::string& buildPath) {
    std::wstring path = L"Z:";
    for (char c : buildPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

namespace {

// Text-mode output ends lines with CR LF.
std::string withPlainLineEnds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    }
    return out;
}

std::wstring quoted(const std::wstring& argument) {
    return L"\"" + argument + L"\"";
}

} // namespace

ChildProcess::ChildProcess(const std::wstring& program,
                           const std::vector<std::wstring>& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd_, &writeEnd, &inheritable, 0))
        throw std::runtime_error("CreatePipe failed");
    ::SetHandleInformation(readEnd_, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = quoted(program);
    for (const auto& argument : arguments)
        commandLine += L" " + quoted(argument);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    const BOOL started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                          TRUE, 0, nullptr, nullptr, &startup, &process_);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd_);
        throw std::runtime_error("CreateProcessW failed, error " +
                                 std::to_string(::GetLastError()));
    }
    reader_ = std::thread([this] {
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            std::lock_guard lock(mutex_);
            output_.append(buffer, got);
            grew_.notify_all();
        }
    });
}

ChildProcess::~ChildProcess() {
    if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        ::TerminateProcess(process_.hProcess, 1);
    ::WaitForSingleObject(process_.hProcess, INFINITE);
    if (reader_.joinable())
        reader_.join();
    ::CloseHandle(readEnd_);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
}

bool ChildProcess::waitForOutput(const std::string& text, std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return grew_.wait_for(
        lock, bound, [&] { return withPlainLineEnds(output_).find(text) != std::string::npos; });
}

std::optional<DWORD> ChildProcess::waitForExit(std::chrono::milliseconds bound) {
    if (::WaitForSingleObject(process_.hProcess, static_cast<DWORD>(bound.count())) !=
        WAIT_OBJECT_0)
        return std::nullopt;
    // Everything it wrote is read once its end of the pipe has closed.
    if (reader_.joinable())
        reader_.join();
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string ChildProcess::output() {
    std::lock_guard lock(mutex_);
    return withPlainLineEnds(output_);
}

} // namespace readerlink::testing
