#include "platform/user_folders.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace readerlink::platform {

namespace {

// An XDG variable counts only when absolute, as the base-directory rules say.
std::filesystem::path xdgFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value && *value && std::filesystem::path(value).is_absolute())
        return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "") / fallbackBelowHome;
}

} // namespace

UserFolders userFolders() {
    return {xdgFolder("XDG_CONFIG_HOME", ".config"), xdgFolder("XDG_DATA_HOME", ".local/share")};
}

bool isWritableFolder(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path executablePath(const char* argv0) {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return path;
    return std::filesystem::absolute(argv0, ec);
}

} // namespace readerlink::platform
