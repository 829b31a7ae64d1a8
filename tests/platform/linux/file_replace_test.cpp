// Crash-safe replacement, and the in-place rewrite for a settings file whose
// folder takes no new files (an unprivileged user's view of a shared folder).

#include "platform/file_replace.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace readerlink::platform {
namespace {

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Runs `body` as a user who may write the file but not its folder: a child
// process that drops to "nobody" when we are root (root writes any folder),
// else this process with the folder made read-only. Returns body's result.
bool asUserOfAReadOnlyFolder(const fs::path& folder, const fs::path& file,
                             const std::function<bool()>& body) {
    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const bool result = body();
        fs::permissions(folder, fs::perms::owner_all);
        return result;
    }
    const auto openToAll = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder.parent_path(), openToAll); // the way down must be open
    fs::permissions(folder, openToAll);
    if (::chown(file.c_str(), kNobody, kNobody) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ReplaceFile, ReplacesKeepsTheModeAndLeavesNothingBehind) {
    TempDir dir;
    const fs::path file = dir / "Settings.ini";
    writeFile(file, "[Reader]\nIndex=3\n");
    ::chmod(file.c_str(), 0640);
    EXPECT_FALSE(replaceFile(file, "[Reader]\nIndex=1\n"));
    EXPECT_EQ(readFile(file), "[Reader]\nIndex=1\n");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "Settings.ini");
}

TEST(ReplaceFile, AMissingFolderFailsAndMakesNothing) {
    TempDir dir;
    EXPECT_EQ(replaceFile(dir / "gone/Settings.ini", "x"), std::errc::no_such_file_or_directory);
    EXPECT_FALSE(fs::exists(dir / "gone"));
}

struct ReadOnlyFolderCase {
    const char* name;
    WhenFolderIsReadOnly mode;
    const char* before;
    const char* written;
    const char* after;
};

class ReadOnlyFolder : public ::testing::TestWithParam<ReadOnlyFolderCase> {};

TEST_P(ReadOnlyFolder, RewritesInPlaceOnlyWhenAsked) {
    const auto& c = GetParam();
    TempDir dir;
    const fs::path folder = dir / "shared";
    fs::create_directory(folder);
    const fs::path file = folder / "Settings.ini";
    writeFile(file, c.before);
    const bool replaced = asUserOfAReadOnlyFolder(
        folder, file, [&] { return !replaceFile(file, c.written, c.mode); });
    EXPECT_EQ(replaced, std::string(c.after) == c.written);
    EXPECT_EQ(readFile(file), c.after);
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename(), "Settings.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadOnlyFolder,
    ::testing::Values(
        ReadOnlyFolderCase{"Refused", WhenFolderIsReadOnly::Fail, "[Reader]\nIndex=3\n", "x\n",
                           "[Reader]\nIndex=3\n"},
        ReadOnlyFolderCase{"Shorter", WhenFolderIsReadOnly::WriteInPlace,
                           "[Reader]\nIndex=3\nApp=0\n", "[Reader]\nIndex=1\n",
                           "[Reader]\nIndex=1\n"},
        ReadOnlyFolderCase{"Longer", WhenFolderIsReadOnly::WriteInPlace, "[Reader]\n",
                           "[Reader]\nIndex=1\nApp=1\n", "[Reader]\nIndex=1\nApp=1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace readerlink::platform
