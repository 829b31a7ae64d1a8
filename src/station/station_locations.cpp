#include "station/station_locations.h"

#include "common/text.h"
#include "station/app_identity.h"

#include "platform/user_folders.h"

namespace readerlink::station {

namespace {

constexpr const char* kProgramFolder = "readerlink";

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
    return environment.userDataFolder / kProgramFolder / "glass";
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
        where.settingsFile = environment.userConfigFolder / kProgramFolder / fileName;
        where.defaultPictureFolder = environment.userDataFolder / kProgramFolder / "Photos";
    }

    const auto shipped =
        (exeFolder / ".." / "share" / kProgramFolder / "specimens").lexically_normal();
    where.specimensFolder =
        !isFolder(exeFolder / "specimens") && isFolder(shipped) ? shipped : exeFolder / "specimens";
    where.glassFolder = defaultGlassFolder(environment, where.specimensFolder);
    return where;
}

LocationEnvironment currentLocationEnvironment(const std::filesystem::path& executable) {
    const platform::UserFolders user = platform::userFolders();
    LocationEnvironment environment;
    environment.executableFolder = executable.parent_path();
    environment.userConfigFolder = user.config;
    environment.userDataFolder = user.data;
    environment.writableFolder = platform::isWritableFolder;
    return environment;
}

} // namespace readerlink::station
