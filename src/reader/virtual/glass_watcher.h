#pragma once

// Watches the glass folder with inotify on a thread of its own and reports
// each file that lands in it or leaves it. No polling: the thread sleeps in
// poll(2) on the inotify descriptor and a stop descriptor.

#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace readerlink::virtualreader {

struct GlassChange {
    enum class Kind { Landed, Left, FolderGone, Rescan }; // Rescan: events were lost
    Kind kind;
    std::string name; // the file name inside the folder
};

class GlassWatcher {
public:
    // `onChange` runs on the watcher's thread. Throws std::system_error when
    // the folder cannot be watched.
    GlassWatcher(const std::filesystem::path& folder, std::function<void(GlassChange)> onChange);
    ~GlassWatcher(); // stops the thread; no call of onChange after it returns

    GlassWatcher(const GlassWatcher&) = delete;
    GlassWatcher& operator=(const GlassWatcher&) = delete;

private:
    void run();

    std::filesystem::path folder_;
    std::function<void(GlassChange)> onChange_;
    int inotify_ = -1;
    int stop_ = -1;
    std::thread thread_;
};

} // namespace readerlink::virtualreader
