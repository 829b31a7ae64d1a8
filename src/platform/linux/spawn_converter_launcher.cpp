#include "platform/linux/spawn_converter_launcher.h"

#include "common/text.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace readerlink::platform {

namespace {

constexpr const char* kConverterNames[] = {"ImageConverter", "ImageConverter.exe"};

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string findIn(const std::string& folder) {
    for (const char* name : kConverterNames) {
        std::string candidate = folder + "/" + name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

class SpawnConverterLauncher final : public reader::ConverterLauncher {
public:
    explicit SpawnConverterLauncher(std::string executableFolder)
        : folder_(std::move(executableFolder)) {}

    ~SpawnConverterLauncher() override { reapFinished(); }

    bool launchConverter(const std::u16string& imagePath) override {
        reapFinished();
        const std::string program = findConverter();
        if (program.empty())
            return false;

        // The path goes as one argv entry: that is what quoting it on a
        // command line achieves, and the converter must not see the quotes.
        const std::string path = toUtf8(imagePath);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                                   const_cast<char*>(path.c_str()), nullptr};

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!folder_.empty())
            posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());

        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        // Its own session: closing the station's terminal or process group
        // does not take the converter with it.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                  POSIX_SPAWN_SETSIGDEF);

        pid_t pid = 0;
        const int result =
            posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0)
            return false;
        running_.push_back(pid);
        return true;
    }

private:
    std::string findConverter() const {
        if (!folder_.empty()) {
            if (std::string found = findIn(folder_); !found.empty())
                return found;
        }
        const char* path = std::getenv("PATH");
        if (path == nullptr)
            return {};
        std::string_view rest(path);
        while (true) {
            const auto colon = rest.find(':');
            const std::string_view entry = rest.substr(0, colon);
            // An empty entry would mean the current folder: not a place to
            // pick up programs from.
            if (!entry.empty()) {
                if (std::string found = findIn(std::string(entry)); !found.empty())
                    return found;
            }
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
        return {};
    }

    // Collects converters that have ended so none lingers as a zombie;
    // never blocks on one still running.
    void reapFinished() {
        std::erase_if(running_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    }

    std::string folder_;
    std::vector<pid_t> running_;
};

} // namespace

std::string runningProgramFolder() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return self.parent_path().string();
}

std::unique_ptr<reader::ConverterLauncher> makeConverterLauncher(std::string executableFolder) {
    if (executableFolder.empty())
        executableFolder = runningProgramFolder();
    return std::make_unique<SpawnConverterLauncher>(std::move(executableFolder));
}

} // namespace readerlink::platform
