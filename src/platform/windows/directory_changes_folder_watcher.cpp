#include "platform/folder_watcher.h"

#include <windows.h>

#include <system_error>
#include <thread>
#include <vector>

namespace readerlink::platform {

namespace {

std::string utf8(const wchar_t* text, int length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

// ReadDirectoryChangesW, overlapped, on a thread of its own that sleeps in
// WaitForMultipleObjects on the change and a stop event. Windows reports a
// copied file as added and then written, so both count as landed; the reader
// keeps one document per file and reads a half-written one again when the
// rest arrives.
class DirectoryChangesWatcher : public FolderWatcher {
public:
    DirectoryChangesWatcher(const std::filesystem::path& folder,
                            std::function<void(FolderChange)> onChange)
        : onChange_(std::move(onChange)) {
        directory_ = ::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                   nullptr);
        if (directory_ == INVALID_HANDLE_VALUE)
            throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(),
                                    "watch " + folder.string());
        changed_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!changed_ || !stop_ || !arm()) {
            const auto error = static_cast<int>(::GetLastError());
            close();
            throw std::system_error(error, std::system_category(), "watch " + folder.string());
        }
        thread_ = std::thread([this] { run(); });
    }
    ~DirectoryChangesWatcher() override {
        ::SetEvent(stop_);
        thread_.join();
        close();
    }
    DirectoryChangesWatcher(const DirectoryChangesWatcher&) = delete;
    DirectoryChangesWatcher& operator=(const DirectoryChangesWatcher&) = delete;

private:
    static constexpr DWORD kFilter =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

    bool arm() {
        overlapped_ = {};
        overlapped_.hEvent = changed_;
        return ::ReadDirectoryChangesW(directory_, buffer_.data(), static_cast<DWORD>(buffer_.size()),
                                       FALSE, kFilter, nullptr, &overlapped_, nullptr) != 0;
    }

    void close() {
        if (directory_ != INVALID_HANDLE_VALUE) {
            ::CancelIoEx(directory_, &overlapped_);
            DWORD ignored = 0;
            ::GetOverlappedResult(directory_, &overlapped_, &ignored, TRUE);
            ::CloseHandle(directory_);
            directory_ = INVALID_HANDLE_VALUE;
        }
        if (changed_)
            ::CloseHandle(changed_);
        if (stop_)
            ::CloseHandle(stop_);
        changed_ = stop_ = nullptr;
    }

    void run() {
        const HANDLE events[2] = {changed_, stop_};
        for (;;) {
            if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0)
                return;
            DWORD length = 0;
            if (!::GetOverlappedResult(directory_, &overlapped_, &length, FALSE)) {
                onChange_({FolderChange::Kind::FolderGone, {}});
                return;
            }
            ::ResetEvent(changed_);
            if (length == 0) // the system's buffer overflowed: events were lost
                onChange_({FolderChange::Kind::Rescan, {}});
            else
                report(length);
            if (!arm()) {
                onChange_({FolderChange::Kind::FolderGone, {}});
                return;
            }
        }
    }

    void report(DWORD length) {
        DWORD at = 0;
        while (at < length) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_.data() + at);
            const std::string name =
                utf8(info->FileName, static_cast<int>(info->FileNameLength / sizeof(wchar_t)));
            switch (info->Action) {
            case FILE_ACTION_ADDED:
            case FILE_ACTION_MODIFIED:
            case FILE_ACTION_RENAMED_NEW_NAME:
                onChange_({FolderChange::Kind::Landed, name});
                break;
            case FILE_ACTION_REMOVED:
            case FILE_ACTION_RENAMED_OLD_NAME:
                onChange_({FolderChange::Kind::Left, name});
                break;
            default:
                break;
            }
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }

    std::function<void(FolderChange)> onChange_;
    HANDLE directory_ = INVALID_HANDLE_VALUE;
    HANDLE changed_ = nullptr;
    HANDLE stop_ = nullptr;
    OVERLAPPED overlapped_{};
    std::vector<char> buffer_ = std::vector<char>(64 * 1024);
    std::thread thread_;
};

} // namespace

std::unique_ptr<FolderWatcher> watchFolder(const std::filesystem::path& folder,
                                           std::function<void(FolderChange)> onChange) {
    return std::make_unique<DirectoryChangesWatcher>(folder, std::move(onChange));
}

} // namespace readerlink::platform
