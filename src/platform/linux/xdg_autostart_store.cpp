#include "platform/linux/xdg_autostart_store.h"

#include "common/text.h"
#include "platform/file_replace.h"

#include <cstdlib>

namespace readerlink::platform {
namespace {

bool hasControl(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

// A desktop entry's string values take "\\" for a backslash.
std::string escapeString(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}


} // namespace

std::optional<std::string> desktopExecValue(const std::filesystem::path& executable,
                                            std::string_view arguments) {
    const std::string path = executable.string();
    if (hasControl(path) || hasControl(arguments))
        return std::nullopt;
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%'; // field codes
        quoted += c;
    }
    quoted += "\" ";
    for (char c : arguments) {
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return escapeString(quoted);
}

XdgAutostartStore::XdgAutostartStore(std::filesystem::path autostartDir)
    : dir_(std::move(autostartDir)) {}

std::filesystem::path XdgAutostartStore::defaultDirectory() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
        return std::filesystem::path(config) / "autostart";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && home[0] ? home : "/") / ".config" / "autostart";
}

std::filesystem::path XdgAutostartStore::entryPath(std::u16string_view name) const {
    std::string file = toUtf8(name);
    for (char& c : file) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return dir_ / (file + ".desktop");
}

bool XdgAutostartStore::setEntry(std::u16string_view name, const std::filesystem::path& executable,
                                 std::u16string_view arguments) {
    const std::string title = toUtf8(name);
    const auto exec = desktopExecValue(executable, toUtf8(arguments));
    if (!exec || title.empty() || hasControl(title))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(dir_, ec);
    if (ec)
        return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=" +
                              escapeString(title) +
                              "\n"
                              "Comment=Orlam Passport Reader Link, started minimized at log-on\n"
                              "Exec=" +
                              *exec +
                              "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return !platform::replaceFile(entryPath(name), entry);
}

void XdgAutostartStore::removeEntry(std::u16string_view name) {
    std::error_code ec;
    std::filesystem::remove(entryPath(name), ec); // a missing entry is no failure
}

std::unique_ptr<AutorunStore> makeAutorunStore() {
    return std::make_unique<XdgAutostartStore>(XdgAutostartStore::defaultDirectory());
}

} // namespace readerlink::platform
