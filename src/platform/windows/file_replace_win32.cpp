#include "platform/file_replace.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace readerlink::platform {

namespace {

std::atomic<unsigned> tempCounter{0};

std::error_code lastError() {
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

std::error_code writeAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            return lastError();
        done += written;
    }
    return {};
}

std::error_code rewriteInPlace(const std::filesystem::path& path, std::string_view bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lastError();
    std::error_code error;
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(bytes.size());
    LARGE_INTEGER current{};
    // A full disk must fail before the old contents are touched.
    if (::GetFileSizeEx(file, &current) && size.QuadPart > current.QuadPart &&
        (!::SetFilePointerEx(file, size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)))
        error = lastError();
    LARGE_INTEGER start{};
    if (!error && !::SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        error = lastError();
    if (!error)
        error = writeAll(file, bytes);
    if (!error && !::SetEndOfFile(file))
        error = lastError();
    if (!error && !::FlushFileBuffers(file))
        error = lastError();
    ::CloseHandle(file);
    return error;
}

} // namespace

std::error_code replaceFile(const std::filesystem::path& path, std::string_view bytes,
                            WhenFolderIsReadOnly readOnlyFolder) {
    std::filesystem::path dir = path.parent_path();
    if (dir.empty())
        dir = L".";
    std::wstring name = L".";
    name += path.filename().wstring();
    name += L'.';
    name += std::to_wstring(::GetCurrentProcessId());
    name += L'.';
    name += std::to_wstring(tempCounter++);
    name += L".tmp";
    const std::filesystem::path temp = dir / name;

    const DWORD existing = ::GetFileAttributesW(path.c_str());
    const bool exists = existing != INVALID_FILE_ATTRIBUTES;
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const auto error = lastError();
        if (exists && readOnlyFolder == WhenFolderIsReadOnly::WriteInPlace &&
            error.value() == ERROR_ACCESS_DENIED && !(existing & FILE_ATTRIBUTE_READONLY))
            return rewriteInPlace(path, bytes);
        return error;
    }
    std::error_code error = writeAll(file, bytes);
    if (!error && !::FlushFileBuffers(file))
        error = lastError();
    ::CloseHandle(file);
    // ReplaceFileW keeps the old file's attributes and security; a new file
    // is moved in place, through the cache to the disk.
    if (!error && exists &&
        !::ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr))
        error = lastError();
    if (!error && !exists &&
        !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = lastError();
    if (error)
        ::DeleteFileW(temp.c_str());
    return error;
}

} // namespace readerlink::platform
