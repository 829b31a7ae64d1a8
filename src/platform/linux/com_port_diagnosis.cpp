#include "platform/linux/com_port_diagnosis.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

std::string groupOf(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) == 0 && info.st_gid != 0)
        if (const group* g = ::getgrgid(info.st_gid))
            return g->gr_name;
    return "dialout";
}

std::string userName() {
    if (const passwd* p = ::getpwuid(::geteuid()))
        return p->pw_name;
    return "$USER";
}

} // namespace

std::vector<DeviceHolder> processesHolding(const std::filesystem::path& device,
                                           const std::filesystem::path& proc) {
    std::vector<DeviceHolder> holders;
    std::error_code error;
    const std::filesystem::path wanted = std::filesystem::canonical(device, error);
    if (error)
        return holders;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : std::filesystem::directory_iterator(proc, error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
            name == self)
            continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(entry.path() / "fd", fdError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError) != wanted || linkError)
                continue;
            DeviceHolder holder{std::stoi(name), {}};
            std::ifstream comm(entry.path() / "comm");
            std::getline(comm, holder.command);
            holders.push_back(std::move(holder));
            break;
        }
    }
    return holders;
}

std::string describeHolders(const std::vector<DeviceHolder>& holders) {
    std::string text;
    for (const DeviceHolder& h : holders) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(h.pid) + " " + h.command;
    }
    return text;
}

std::string describeOpenFailure(std::string_view portName, const std::optional<std::string>& device,
                                int osError, const std::vector<DeviceHolder>& holders) {
    const std::string port(portName);
    const std::string head = "Serial port " + port + ": ";
    if (!device)
        return head + "no device has this name; use COM and a number of 1 or more.";
    const std::string tried = head + "cannot open " + *device + ": ";
    switch (osError) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return tried + "no such device. Plug the reader in, or map " + port + " to its device (" +
               port + "=/dev/serial/by-id/... in [Ports] of Settings.ini, or a link ports/" + port +
               ").";
    case EACCES:
    case EPERM: {
        const std::string group = groupOf(*device);
        return tried + "permission denied. Add the station's user to the group " + group +
               " (sudo adduser " + userName() + " " + group + ") and log in again.";
    }
    case EBUSY:
        return tried + "busy, held by " +
               (holders.empty() ? std::string("another program or a second station")
                                : describeHolders(holders)) +
               ". Close it, or map " + port +
               " to another device; ModemManager and brltty take USB-serial adapters on some "
               "systems.";
    case ENOTTY:
        return tried + "not a serial device. Check the mapping of " + port + ".";
    default:
        return tried + std::strerror(osError) + ".";
    }
}

} // namespace readerlink::platform
