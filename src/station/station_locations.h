#pragma once

// Where the station keeps its own files. A station run from its build or
// unpacked folder keeps everything beside the executable, as operators are
// used to. An installed program (its folder not writable, e.g. /usr/bin)
// cannot, so its files go to the user's XDG folders instead:
//   Settings.ini  beside the executable when that folder is writable or the
//                 file is already there; else $XDG_CONFIG_HOME/readerlink/
//                 (default ~/.config/readerlink/)
//   Photos        the default picture folder, beside Settings.ini when that is
//                 beside the executable; else $XDG_DATA_HOME/readerlink/Photos
//                 (default ~/.local/share/readerlink/Photos)
//   specimens     the virtual reader's library: "specimens" beside the
//                 executable when it exists there, else
//                 <exe>/../share/readerlink/specimens when that exists, else
//                 "specimens" beside the executable
//   glass         inside the specimen library when the library is writable,
//                 else $XDG_DATA_HOME/readerlink/glass
// Values in [VirtualReader] of Settings.ini win over these defaults.

#include <filesystem>
#include <functional>
#include <string>

namespace readerlink::station {

struct LocationEnvironment {
    std::filesystem::path executableFolder;
    std::filesystem::path userConfigFolder; // ~/.config, $XDG_CONFIG_HOME, %APPDATA%
    std::filesystem::path userDataFolder;   // ~/.local/share, $XDG_DATA_HOME, %LOCALAPPDATA%
    // Whether this process may create files in an existing folder.
    std::function<bool(const std::filesystem::path&)> writableFolder;
};

struct StationLocations {
    std::filesystem::path settingsFile;
    std::filesystem::path defaultPictureFolder;
    std::filesystem::path specimensFolder;
    // Empty: inside the specimen library (the virtual reader's own default).
    std::filesystem::path glassFolder;
};

StationLocations resolveStationLocations(const LocationEnvironment& environment);

// The glass for a specimen library the settings file may have named: inside
// it when writable, else the user's data folder.
std::filesystem::path defaultGlassFolder(const LocationEnvironment& environment,
                                         const std::filesystem::path& specimensFolder);

// This process's environment, as the platform reports it.
LocationEnvironment currentLocationEnvironment(const std::filesystem::path& executable);

} // namespace readerlink::station
