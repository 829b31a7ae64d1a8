#include "platform/linux/host_socket_location.h"

#include "common/error.h"
#include "common/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

std::string socketName(std::string_view windowClass, std::string_view windowTitle) {
    std::string name;
    name.append(windowClass).append("-").append(windowTitle).append(".sock");
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

} // namespace

HostSocketLocation hostSocketLocation(const char* runtimeDir, uid_t uid,
                                      std::string_view windowClass, std::string_view windowTitle) {
    HostSocketLocation location;
    if (runtimeDir != nullptr && runtimeDir[0] == '/')
        location.folder = std::string(runtimeDir) + "/readerlink";
    else
        // /tmp is sticky: once made, nobody else can remove or replace it,
        // and a folder someone else planted fails the privacy check.
        location.folder = "/tmp/readerlink-" + std::to_string(uid);
    location.socketPath = location.folder + "/" + socketName(windowClass, windowTitle);
    return location;
}

HostSocketLocation currentHostSocketLocation() {
    return hostSocketLocation(std::getenv("XDG_RUNTIME_DIR"), geteuid());
}

std::optional<std::string> privateFolderProblem(const std::string& folder) {
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0)
        return folder + ": " + std::strerror(errno);
    if (S_ISLNK(st.st_mode))
        return folder + ": a symbolic link, must be a real folder";
    if (!S_ISDIR(st.st_mode))
        return folder + ": not a folder";
    if (st.st_uid != geteuid())
        return folder + ": owned by user " + std::to_string(st.st_uid) +
               ", must be owned by user " + std::to_string(geteuid());
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return folder + ": mode " + mode + ", must be 0700";
    }
    return std::nullopt;
}

bool isPrivateFolder(const std::string& folder) {
    return !privateFolderProblem(folder);
}

void ensurePrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error(u"Cannot create the folder " + fromUtf8(folder) + u": " +
                    fromUtf8(std::strerror(errno)));
    if (const auto problem = privateFolderProblem(folder))
        throw Error(u"The folder is not private to this user (it must be a folder of this user "
                    u"with mode 0700): " +
                    fromUtf8(*problem));
}

} // namespace readerlink::platform
