#include "shell/station_locations.h"

#include "common/text.h"
#include "shell/app_identity.h"

#include <cstdlib>
#include <unistd.h>

namespace readerlink::shell {

namespace {

constexpr const char* kProgramFolder = "readerlink";

std::filesystem::path xdgFolder(const std::string& value, const std::string& home,
                                const char* fallback) {
    if (!value.empty() && std::filesystem::path(value).is_absolute())
        return value;
    return std::filesystem::path(home) / fallback;
}

bool isFolder(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool present(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

std::filesystem::path defaultGlassFolder(const LocationEnvironment& environment,
                                         const std::filesystem::path& specimensFolder) {
    // A library that does not exist yet is made by the reader itself, so only
    // an existing one that refuses new files sends the glass elsewhere.
    if (!isFolder(specimensFolder) || environment.writableFolder(specimensFolder))
        return {};
    return xdgFolder(environment.xdgDataHome, environment.home, ".local/share") / kProgramFolder /
           "glass";
}

StationLocations resolveStationLocations(const LocationEnvironment& environment) {
    const auto& exeFolder = environment.executableFolder;
    const std::filesystem::path fileName(toUtf8(kSettingsFileName));
    StationLocations where;

    const auto besideExe = exeFolder / fileName;
    if (present(besideExe) || environment.writableFolder(exeFolder)) {
        where.settingsFile = besideExe;
        where.defaultPictureFolder = exeFolder / "Photos";
    } else {
        where.settingsFile = xdgFolder(environment.xdgConfigHome, environment.home, ".config") /
                             kProgramFolder / fileName;
        where.defaultPictureFolder =
            xdgFolder(environment.xdgDataHome, environment.home, ".local/share") / kProgramFolder /
            "Photos";
    }

    const auto shipped =
        (exeFolder / ".." / "share" / kProgramFolder / "specimens").lexically_normal();
    where.specimensFolder =
        !isFolder(exeFolder / "specimens") && isFolder(shipped) ? shipped : exeFolder / "specimens";
    where.glassFolder = defaultGlassFolder(environment, where.specimensFolder);
    return where;
}

LocationEnvironment currentLocationEnvironment(const std::filesystem::path& executable) {
    auto get = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    };
    LocationEnvironment environment;
    environment.executableFolder = executable.parent_path();
    environment.home = get("HOME");
    environment.xdgConfigHome = get("XDG_CONFIG_HOME");
    environment.xdgDataHome = get("XDG_DATA_HOME");
    environment.writableFolder = [](const std::filesystem::path& folder) {
        return ::access(folder.c_str(), W_OK | X_OK) == 0;
    };
    return environment;
}

} // namespace readerlink::shell
