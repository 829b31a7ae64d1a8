#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace readerlink::platform {

inline constexpr std::string_view kHostWindowClass = "TBarcodeForm";
inline constexpr std::string_view kHostWindowTitle = "BarcodeForm";

// Where a host application listens: a socket in a folder only its user can
// enter, so no other user can read the station's records or pose as the host.
struct HostSocketLocation {
    std::string folder;
    std::string socketPath;
};

// "$XDG_RUNTIME_DIR/readerlink", or "/tmp/readerlink-<uid>" when that is unset
// or not absolute; the socket is "<class>-<title>.sock" inside it.
HostSocketLocation hostSocketLocation(const char* runtimeDir, uid_t uid,
                                      std::string_view windowClass = kHostWindowClass,
                                      std::string_view windowTitle = kHostWindowTitle);

// The location for this process's user and environment.
HostSocketLocation currentHostSocketLocation();

// Why the folder is not private to this user ("<folder>: mode 0755, must be
// 0700"); nullopt when it exists, is a real folder (not a link), belongs to
// this user and admits nobody else.
std::optional<std::string> privateFolderProblem(const std::string& folder);

bool isPrivateFolder(const std::string& folder);

// Creates the folder with mode 0700 when missing; throws readerlink::Error
// when it cannot, or when what is there is not private to this user.
void ensurePrivateFolder(const std::string& folder);

} // namespace readerlink::platform
