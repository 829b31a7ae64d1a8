#pragma once

// Reports each file that lands in a folder or leaves it, on a thread of its
// own, without polling. The virtual reader watches its glass with it.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace readerlink::platform {

struct FolderChange {
    enum class Kind { Landed, Left, FolderGone, Rescan }; // Rescan: events were lost
    Kind kind;
    std::string name; // the file name inside the folder
};

class FolderWatcher {
public:
    // Stops the thread; no call of the change handler after it returns.
    virtual ~FolderWatcher() = default;
};

// `onChange` runs on the watcher's thread. Throws std::system_error when the
// folder cannot be watched.
std::unique_ptr<FolderWatcher> watchFolder(const std::filesystem::path& folder,
                                           std::function<void(FolderChange)> onChange);

} // namespace readerlink::platform
