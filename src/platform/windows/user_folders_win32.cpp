#include "platform/user_folders.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace readerlink::platform {

namespace {

std::filesystem::path environmentFolder(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    return value && *value ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

UserFolders userFolders() {
    auto config = environmentFolder(L"APPDATA");
    auto data = environmentFolder(L"LOCALAPPDATA");
    if (data.empty())
        data = config;
    return {config, data};
}

// Access lists decide on Windows, not the read-only attribute (which folders
// ignore): try what the station will do, make a file there.
bool isWritableFolder(const std::filesystem::path& folder) {
    const std::filesystem::path probe =
        folder / (L".readerlink-probe-" + std::to_wstring(::GetCurrentProcessId()));
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

std::filesystem::path executablePath(const char* argv0) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            break;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::error_code ec;
    return std::filesystem::absolute(argv0, ec);
}

} // namespace readerlink::platform
