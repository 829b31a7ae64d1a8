#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <windows.h>

namespace readerlink::testing {

// A fresh folder under the user's temporary folder, removed with everything
// in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        const auto base = std::filesystem::temp_directory_path();
        for (unsigned n = ::GetTickCount() ^ ::GetCurrentProcessId();; ++n) {
            path_ = base / ("readerlink-" + std::to_string(n));
            if (::CreateDirectoryW(path_.c_str(), nullptr))
                break;
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace readerlink::testing
