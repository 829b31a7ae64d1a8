// The real program, started as a station would start it: a copy of the
// executable in a fresh folder (its Settings.ini beside it), on the offscreen
// platform, with a private lock folder.

#include "support/temp_dir.h"
#include "support/station_process.h"

#include <gtest/gtest.h>

namespace readerlink::station::testing {

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;
namespace {

constexpr auto kStartLimit = 30s; // generous: sanitizer builds start slowly
const std::string kStartedLine = "Virtual reader glass: ";

class ReaderlinkProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(READERLINK_BINARY, program());
        std::filesystem::create_directory(dir / "run");
        std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
    }
    std::filesystem::path program() const { return dir / "readerlink"; }
    // The reader makes its glass when "Connect" opens it, after the choices were saved.
    bool connected() const {
        return waitUntil([this] { return std::filesystem::exists(dir / "specimens" / "glass"); },
                         kStartLimit);
    }
    std::unique_ptr<Process> launch(std::vector<std::string> arguments = {}) {
        return std::make_unique<Process>(
            program(), arguments,
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen",
                                     "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                     "XDG_CONFIG_HOME=" + (dir / "config").string()});
    }
    TempDir dir;
};

TEST_F(ReaderlinkProcess, SecondInstanceSaysAlreadyRunningAndLeavesTheFirstAlone) {
    auto first = launch();
    ASSERT_TRUE(first->waitForOutput(kStartedLine, kStartLimit)) << first->standardError();
    ASSERT_TRUE(connected());
    EXPECT_EQ(readFile(dir / "Settings.ini"), "[Reader]\nIndex=3\nApp=0\nTwoLines=1\nComPort=0\n");

    auto second = launch({"/m"});
    EXPECT_EQ(second->waitForExit(kStartLimit), 0);
    EXPECT_NE(second->standardError().find("Already running"), std::string::npos);
    EXPECT_EQ(second->standardOutput(), "");
    EXPECT_TRUE(first->running());

    // A crashed station must not keep the next one out.
    first->signal(SIGKILL);
    first->waitForExit(kStartLimit);
    auto third = launch();
    EXPECT_TRUE(third->waitForOutput(kStartedLine, kStartLimit)) << third->standardError();
}

TEST_F(ReaderlinkProcess, StopSignalClosesTheWindowInOrder) {
    auto station = launch();
    ASSERT_TRUE(station->waitForOutput(kStartedLine, kStartLimit)) << station->standardError();
    ASSERT_TRUE(connected());
    station->signal(SIGTERM);
    EXPECT_EQ(station->waitForExit(kStartLimit), 0);
    EXPECT_NE(
        readFile(dir / "Settings.ini").find("[Barcode]\nPhotoPath=" + (dir / "Photos").string()),
        std::string::npos);
    // The default picture folder is made at start: the archive makes only the
    // folders below it.
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Photos"));
}

TEST_F(ReaderlinkProcess, InformationOptionsPrintAndExit) {
    auto version = launch({"--version"});
    EXPECT_EQ(version->waitForExit(kStartLimit), 0);
    EXPECT_EQ(version->standardOutput().rfind("readerlink ", 0), 0u);
    auto help = launch({"--help"});
    EXPECT_EQ(help->waitForExit(kStartLimit), 0);
    EXPECT_NE(help->standardOutput().find("/m"), std::string::npos);
    EXPECT_NE(help->standardOutput().find("--serial-readers"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.ini"));
}

} // namespace
} // namespace readerlink::station::testing
