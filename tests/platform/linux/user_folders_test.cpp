// The user's folders follow the XDG base-directory rules.

#include "platform/user_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace readerlink::platform {
namespace {

// Sets or unsets a variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct FolderCase {
    const char* name;
    const char* xdgConfigHome; // nullptr: unset
    const char* xdgDataHome;
    const char* config;
    const char* data;
};

class UserFoldersTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(UserFoldersTest, FollowXdgRules) {
    const FolderCase& c = GetParam();
    ScopedEnv home("HOME", "/home/op");
    ScopedEnv config("XDG_CONFIG_HOME", c.xdgConfigHome);
    ScopedEnv data("XDG_DATA_HOME", c.xdgDataHome);
    const UserFolders folders = userFolders();
    EXPECT_EQ(folders.config, std::filesystem::path(c.config));
    EXPECT_EQ(folders.data, std::filesystem::path(c.data));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserFoldersTest,
    ::testing::Values(
        FolderCase{"Unset", nullptr, nullptr, "/home/op/.config", "/home/op/.local/share"},
        FolderCase{"Absolute", "/cfg", "/data", "/cfg", "/data"},
        FolderCase{"RelativeIsIgnored", "rel", "rel/data", "/home/op/.config",
                   "/home/op/.local/share"},
        FolderCase{"EmptyIsIgnored", "", "", "/home/op/.config", "/home/op/.local/share"}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return info.param.name; });

} // namespace
} // namespace readerlink::platform
