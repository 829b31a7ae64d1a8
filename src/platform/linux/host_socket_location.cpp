#include "platform/linux/host_socket_location.h"

#include "common/error.h"
#include "common/text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace readerlink {
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

bool isPrivateFolder(const std::string& folder) {
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

void ensurePrivateFolder(const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error(u"Cannot create the folder " + fromUtf8(folder) + u": " +
                    fromUtf8(std::strerror(errno)));
    if (!isPrivateFolder(folder))
        throw Error(
            u"The folder " + fromUtf8(folder) +
            u" is not private to this user (it must be a folder of this user with mode 0700)");
}

} // namespace readerlink
