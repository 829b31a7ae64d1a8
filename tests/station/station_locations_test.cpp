// Where the station keeps its files, for a program run from its own folder
// and for an installed one.

#include "support/temp_dir.h"
#include "station/station_locations.h"

#include <gtest/gtest.h>
#include <set>

namespace readerlink::station::testing {

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;
namespace {

namespace fs = std::filesystem;

struct LocationCase {
    const char* name;
    bool exeFolderWritable;
    bool settingsBesideExe;  // a Settings.ini already there
    const char* specimensAt; // "", "beside" or "share"
    bool specimensWritable;
    // Expected, relative to the temp folder.
    const char* settingsFile;
    const char* pictureFolder;
    const char* specimensFolder;
    const char* glassFolder; // "" inside the specimens
};

class StationLocationsTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(StationLocationsTest, FollowTheFolderRules) {
    const LocationCase& c = GetParam();
    TempDir dir;
    const fs::path exe = dir / "usr/bin";
    fs::create_directories(exe);
    if (c.settingsBesideExe)
        writeFile(exe / "Settings.ini", "[Reader]\n");
    fs::path specimens;
    if (std::string(c.specimensAt) == "beside")
        specimens = exe / "specimens";
    else if (std::string(c.specimensAt) == "share")
        specimens = dir / "usr/share/readerlink/specimens";
    if (!specimens.empty())
        fs::create_directories(specimens);

    std::set<fs::path> readOnly;
    if (!c.exeFolderWritable)
        readOnly.insert(exe);
    if (!c.specimensWritable && !specimens.empty())
        readOnly.insert(specimens);

    LocationEnvironment environment;
    environment.executableFolder = exe;
    environment.userConfigFolder = dir / "home/.config";
    environment.userDataFolder = dir / "home/.local/share";
    environment.writableFolder = [&](const fs::path& folder) { return !readOnly.count(folder); };

    const StationLocations where = resolveStationLocations(environment);
    EXPECT_EQ(where.settingsFile, dir / c.settingsFile);
    EXPECT_EQ(where.defaultPictureFolder, dir / c.pictureFolder);
    EXPECT_EQ(where.specimensFolder, dir / c.specimensFolder);
    EXPECT_EQ(where.glassFolder,
              std::string(c.glassFolder).empty() ? fs::path() : dir / c.glassFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StationLocationsTest,
    ::testing::Values(
        LocationCase{"UnpackedFolder", true, false, "beside", true, "usr/bin/Settings.ini",
                     "usr/bin/Photos", "usr/bin/specimens", ""},
        LocationCase{"ReadOnlyFolderKeepsAnExistingFile", false, true, "beside", true,
                     "usr/bin/Settings.ini", "usr/bin/Photos", "usr/bin/specimens", ""},
        LocationCase{"InstalledUsesTheHomeDefaults", false, false, "share", false,
                     "home/.config/readerlink/Settings.ini", "home/.local/share/readerlink/Photos",
                     "usr/share/readerlink/specimens", "home/.local/share/readerlink/glass"},
        LocationCase{"SpecimensBesideWinOverShared", true, false, "beside", true,
                     "usr/bin/Settings.ini", "usr/bin/Photos", "usr/bin/specimens", ""},
        LocationCase{"NoSpecimensAnywhereMeansBeside", true, false, "", true,
                     "usr/bin/Settings.ini", "usr/bin/Photos", "usr/bin/specimens", ""},
        LocationCase{"ReadOnlySpecimensBesideMoveTheGlass", true, false, "beside", false,
                     "usr/bin/Settings.ini", "usr/bin/Photos", "usr/bin/specimens",
                     "home/.local/share/readerlink/glass"}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return info.param.name; });

} // namespace
} // namespace readerlink::station::testing
