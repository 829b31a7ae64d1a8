#include "common/text.h"
#include "platform/linux/spawn_converter_launcher.h"
#include "support/stub_converter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace readerlink::platform {
namespace {

using testsupport::makeTempFolder;
using testsupport::PathPrefix;
using testsupport::waitForLines;
using testsupport::writeStubConverter;
using Lines = std::vector<std::string>;

// A program folder and a PATH folder, each empty to begin with.
class ConverterLauncherTest : public ::testing::Test {
protected:
    ConverterLauncherTest()
        : programFolder(makeTempFolder()), pathFolder(makeTempFolder()), records(makeTempFolder()),
          path(pathFolder) {}
    ~ConverterLauncherTest() override {
        for (const auto& f : {programFolder, pathFolder, records}) {
            std::error_code ec;
            std::filesystem::remove_all(f, ec);
        }
    }

    std::string record(const std::string& name) const { return records + "/" + name; }

    std::string programFolder;
    std::string pathFolder;
    std::string records;
    PathPrefix path;
};

struct Placement {
    const char* what;
    bool inProgramFolder;
    const char* name;
    friend void PrintTo(const Placement& c, std::ostream* os) { *os << c.what; }
};

class ConverterPlacementTest : public ConverterLauncherTest,
                               public ::testing::WithParamInterface<Placement> {};

TEST_P(ConverterPlacementTest, StartsInTheProgramFolderWithThePathAsOneArgument) {
    writeStubConverter(GetParam().inProgramFolder ? programFolder : pathFolder, GetParam().name,
                       record("runs"));
    auto launcher = makeConverterLauncher(programFolder);
    const std::string image = programFolder + "/my pictures/L898902C3 \"x\".jpg";
    ASSERT_TRUE(launcher->launchConverter(fromUtf8(image)));
    EXPECT_EQ(waitForLines(record("runs"), 1), (Lines{"1|" + programFolder + "|" + image}));
}

INSTANTIATE_TEST_SUITE_P(Placements, ConverterPlacementTest,
                         ::testing::Values(Placement{"ProgramFolder", true, "ImageConverter"},
                                           Placement{"ProgramFolderExe", true,
                                                     "ImageConverter.exe"},
                                           Placement{"Path", false, "ImageConverter"},
                                           Placement{"PathExe", false, "ImageConverter.exe"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(ConverterLauncherTest, ProgramFolderComesBeforeThePath) {
    writeStubConverter(programFolder, "ImageConverter", record("program"));
    writeStubConverter(pathFolder, "ImageConverter", record("path"));
    auto launcher = makeConverterLauncher(programFolder);
    ASSERT_TRUE(launcher->launchConverter(u"/a.jpg"));
    ASSERT_TRUE(launcher->launchConverter(u"/b.jpg"));
    EXPECT_EQ(waitForLines(record("program"), 2).size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(record("path")));
}

TEST_F(ConverterLauncherTest, FileThatCannotRunIsPassedOver) {
    { std::ofstream(programFolder + "/ImageConverter") << "not a program"; }
    ::chmod((programFolder + "/ImageConverter").c_str(), 0644);
    std::filesystem::create_directory(programFolder + "/ImageConverter.exe");
    writeStubConverter(pathFolder, "ImageConverter", record("path"));
    auto launcher = makeConverterLauncher(programFolder);
    ASSERT_TRUE(launcher->launchConverter(u"/a.jpg"));
    EXPECT_EQ(waitForLines(record("path"), 1), (Lines{"1|" + programFolder + "|/a.jpg"}));
}

TEST_F(ConverterLauncherTest, NoConverterAnywhereIsReportedToTheCaller) {
    ::setenv("PATH", pathFolder.c_str(), 1); // the fixture puts the old PATH back
    auto launcher = makeConverterLauncher(programFolder);
    EXPECT_FALSE(launcher->launchConverter(u"/a.jpg"));
}

TEST(RunningProgramFolder, IsTheFolderOfThisTest) {
    const std::string folder = runningProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(std::filesystem::exists(folder + "/test_platform_archive_seams"));
}

} // namespace
} // namespace readerlink::platform
