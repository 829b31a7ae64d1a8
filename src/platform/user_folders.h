#pragma once

// Where this user's per-program files belong on this system, and what this
// process may do there.

#include <filesystem>

namespace readerlink::platform {

struct UserFolders {
    std::filesystem::path config; // settings (XDG_CONFIG_HOME, %APPDATA%)
    std::filesystem::path data;   // pictures and other data (XDG_DATA_HOME, %LOCALAPPDATA%)
};

UserFolders userFolders();

// Whether this process may create files in the existing folder.
bool isWritableFolder(const std::filesystem::path& folder);

// This program's own executable; `argv0` is the fallback.
std::filesystem::path executablePath(const char* argv0);

} // namespace readerlink::platform
