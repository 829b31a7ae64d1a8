#include "platform/windows/window_instance_lock.h"

#include <windows.h>

namespace readerlink::platform {

namespace {

class WindowInstanceLock final : public SingleInstanceLock {
public:
    explicit WindowInstanceLock(std::wstring mutexName) : mutexName_(std::move(mutexName)) {}
    ~WindowInstanceLock() override {
        if (mutex_ != nullptr)
            ::CloseHandle(mutex_);
    }
    WindowInstanceLock(const WindowInstanceLock&) = delete;
    WindowInstanceLock& operator=(const WindowInstanceLock&) = delete;

    bool tryAcquire() override {
        if (mutex_ != nullptr)
            return true;
        if (::FindWindowW(kStationWindowClass, nullptr) != nullptr)
            return false;
        HANDLE mutex = ::CreateMutexW(nullptr, FALSE, mutexName_.c_str());
        if (mutex == nullptr)
            return false;
        if (::GetLastError() == ERROR_ALREADY_EXISTS) {
            ::CloseHandle(mutex);
            return false;
        }
        mutex_ = mutex;
        return true;
    }

private:
    std::wstring mutexName_;
    HANDLE mutex_ = nullptr;
};

} // namespace

std::wstring instanceMutexName(std::string_view name) {
    std::wstring wide = L"Local\\";
    for (char c : name)
        wide += c == '\\' ? L'_' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

std::unique_ptr<SingleInstanceLock> makeSingleInstanceLock(std::string_view name) {
    return std::make_unique<WindowInstanceLock>(instanceMutexName(name));
}

} // namespace readerlink::platform
