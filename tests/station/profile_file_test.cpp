#include "support/temp_dir.h"
#include "station/profile_file.h"

#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace readerlink::station {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

struct LookupCase {
    const char* name;
    std::string file;
    std::u16string section, key;
    std::optional<std::u16string> expected;
};

class ProfileLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookup, FindsValuesAsWindowsDoes) {
    TempDir dir;
    writeFile(dir / "Settings.ini", GetParam().file);
    const ProfileFile file(dir / "Settings.ini");
    EXPECT_EQ(file.read(GetParam().section, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileLookup,
    ::testing::Values(
        LookupCase{"CaseInsensitive", "[reader]\nINDEX=4\n", u"Reader", u"Index", u"4"},
        LookupCase{"BlanksAroundNamesAndValue", "  [ Reader ]  \n\t Index =  4 \t\n", u"Reader",
                   u"Index", u"4"},
        LookupCase{"PathAsItStands", "[Settings]\nPicturePath=/srv/photos\n", u"Settings",
                   u"PicturePath", u"/srv/photos"},
        LookupCase{"QuotesKept", "[Settings]\nPicturePath=\"/a b\"\n", u"Settings", u"PicturePath",
                   u"\"/a b\""},
        LookupCase{"EqualsInValue", "[S]\nK=a=b\n", u"S", u"K", u"a=b"},
        LookupCase{"EmptyValue", "[S]\nK=\n", u"S", u"K", u""},
        LookupCase{"CrLfLines", "[S]\r\nK=v\r\nL=w\r\n", u"S", u"L", u"w"},
        LookupCase{"Utf8Bom", "\xEF\xBB\xBF[S]\nK=v\n", u"S", u"K", u"v"},
        LookupCase{"NoFinalNewline", "[S]\nK=v", u"S", u"K", u"v"},
        LookupCase{"Utf8Value", "[S]\nK=/home/j\xC3\xBCrgen\n", u"S", u"K", u"/home/j\u00FCrgen"},
        LookupCase{"FirstSectionWins", "[S]\nA=1\n[S]\nK=2\n", u"S", u"K", std::nullopt},
        LookupCase{"FirstKeyWins", "[S]\nK=1\nk=2\n", u"S", u"K", u"1"},
        LookupCase{"KeyOfOtherSection", "[A]\nK=1\n[B]\n", u"B", u"K", std::nullopt},
        LookupCase{"KeyBeforeAnySection", "K=1\n[S]\n", u"S", u"K", std::nullopt},
        LookupCase{"CommentIsNoKey", "[S]\n;K=1\n", u"S", u"K", std::nullopt},
        LookupCase{"LineWithoutEquals", "[S]\nK\n", u"S", u"K", std::nullopt},
        LookupCase{"MissingSection", "[T]\nK=1\n", u"S", u"K", std::nullopt},
        LookupCase{"EmptyFile", "", u"S", u"K", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileInteger, ParsesWholeSignedDecimalsOnly) {
    const struct {
        std::u16string text;
        std::optional<int> expected;
    } cases[] = {
        {u"12", 12},
        {u" -5 ", -5},
        {u"+7", 7},
        {u"0", 0},
        {u"2147483647", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"2147483648", std::nullopt},
        {u"99999999999999999999", std::nullopt},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u"abc", std::nullopt},
        {u"12abc", std::nullopt},
        {u"1 2", std::nullopt},
        {u"0x10", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseProfileInteger(c.text), c.expected) << toUtf8(c.text);
}

TEST(ProfileRead, TypedReadsFallBackOnMissingOrGarbage) {
    TempDir dir;
    writeFile(dir / "s.ini", "[R]\nA=abc\nB=0\nC=2\nD=-1\n");
    const ProfileFile file(dir / "s.ini");
    EXPECT_EQ(file.readInteger(u"R", u"A", 7), 7);
    EXPECT_EQ(file.readInteger(u"R", u"Missing", 7), 7);
    EXPECT_EQ(file.readInteger(u"R", u"D", 7), -1);
    EXPECT_FALSE(file.readBool(u"R", u"B", true));
    EXPECT_TRUE(file.readBool(u"R", u"C", false)); // any non-zero
    EXPECT_TRUE(file.readBool(u"R", u"D", false));
    EXPECT_TRUE(file.readBool(u"R", u"A", true)); // garbage: the default
    EXPECT_FALSE(file.readBool(u"R", u"A", false));
    EXPECT_EQ(file.readString(u"R", u"Missing", u"dflt"), u"dflt");
}

class ProfileWrite : public ::testing::Test {
protected:
    std::filesystem::path path() const { return dir_ / "Settings.ini"; }
    TempDir dir_;
};

TEST_F(ProfileWrite, CreatesTheFileWithSectionAndKey) {
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"Index", 3);
    file.writeBool(u"Reader", u"TwoLines", true);
    file.writeString(u"Barcode", u"PhotoPath", u"/srv/photos");
    EXPECT_EQ(readFile(path()),
              "[Reader]\nIndex=3\nTwoLines=1\n[Barcode]\nPhotoPath=/srv/photos\n");
}

TEST_F(ProfileWrite, KeepsEveryLineItDoesNotOwn) {
    const std::string before = "; station 4, hand edited\r\n"
                               "[Settings]\r\n"
                               "PicturePath = /srv/photos\r\n"
                               "\r\n"
                               "[reader]\r\n"
                               "INDEX=0\r\n"
                               "Extra=keep me\r\n"
                               "\r\n"
                               "[Custom]\r\n"
                               "odd line without equals\r\n"
                               "x=\xFF\xFE binary\r\n";
    writeFile(path(), before);
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"Index", 3); // replaced in place, file's spelling kept
    file.writeInteger(u"Reader", u"App", 1);   // appended to its section, before the blank line
    file.writeString(u"Barcode", u"PhotoPath", u"/tmp/new"); // new section at the end
    EXPECT_EQ(readFile(path()), "; station 4, hand edited\r\n"
                                "[Settings]\r\n"
                                "PicturePath = /srv/photos\r\n"
                                "\r\n"
                                "[reader]\r\n"
                                "INDEX=3\r\n"
                                "Extra=keep me\r\n"
                                "App=1\r\n"
                                "\r\n"
                                "[Custom]\r\n"
                                "odd line without equals\r\n"
                                "x=\xFF\xFE binary\r\n"
                                "[Barcode]\r\n"
                                "PhotoPath=/tmp/new\r\n");
    EXPECT_EQ(file.readString(u"Settings", u"PicturePath", u""), u"/srv/photos");
}

TEST_F(ProfileWrite, FileWithoutFinalNewlineGetsOneBeforeAddedLines) {
    writeFile(path(), "[Reader]\nIndex=1");
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"App", 0);
    file.writeInteger(u"Other", u"K", 5);
    EXPECT_EQ(readFile(path()), "[Reader]\nIndex=1\nApp=0\n[Other]\nK=5\n");
}

TEST_F(ProfileWrite, SeesHandEditsMadeWhileOpen) {
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"Index", 3);
    writeFile(path(), readFile(path()) + "Added=by hand\n");
    file.writeInteger(u"Reader", u"App", 1);
    EXPECT_EQ(file.readString(u"Reader", u"Added", u""), u"by hand");
}

TEST_F(ProfileWrite, KeepsModeAndLeavesNoTemporaryFiles) {
    writeFile(path(), "[Reader]\n");
    ::chmod(path().c_str(), 0640);
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"Index", 3);
    struct stat st {};
    ASSERT_EQ(::stat(path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(ProfileWrite, WritesThroughASymlink) {
    writeFile(dir_ / "real.ini", "[Reader]\n");
    std::filesystem::create_symlink(dir_ / "real.ini", path());
    ProfileFile file(path());
    file.writeInteger(u"Reader", u"Index", 3);
    EXPECT_TRUE(std::filesystem::is_symlink(path()));
    EXPECT_EQ(readFile(dir_ / "real.ini"), "[Reader]\nIndex=3\n");
}

TEST_F(ProfileWrite, RefusesLineBreaksInValues) {
    ProfileFile file(path());
    file.writeString(u"S", u"K", u"old");
    EXPECT_THROW(file.writeString(u"S", u"K", u"/a\n[Reader]\nIndex=1"), ProfileWriteError);
    EXPECT_EQ(readFile(path()), "[S]\nK=old\n");
}

TEST_F(ProfileWrite, BinaryFileReadsAsDefaultsAndKeepsItsBytes) {
    std::string junk(64 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : junk)
        c = static_cast<char>(random());
    writeFile(path(), junk);
    ProfileFile file(path());
    EXPECT_EQ(file.readInteger(u"Reader", u"Index", 0), 0);
    file.writeInteger(u"Reader", u"Index", 3);
    EXPECT_EQ(file.readInteger(u"Reader", u"Index", 0), 3);
    EXPECT_EQ(readFile(path()).substr(0, junk.size()), junk);
}

// Files that cannot be read must read as empty and must never be replaced.
TEST_F(ProfileWrite, UnreadableFilesGiveDefaultsAndAreNotReplaced) {
    const std::string huge(ProfileFile::kMaxSize + 1, 'x');
    writeFile(path(), huge);
    ProfileFile file(path());
    EXPECT_EQ(file.readInteger(u"Reader", u"Index", 5), 5);
    EXPECT_THROW(file.writeInteger(u"Reader", u"Index", 3), ProfileWriteError);
    EXPECT_EQ(readFile(path()).size(), huge.size());

    std::filesystem::remove(path());
    std::filesystem::create_directory(path());
    EXPECT_EQ(file.readInteger(u"Reader", u"Index", 5), 5);
    EXPECT_THROW(file.writeInteger(u"Reader", u"Index", 3), ProfileWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(path()));
}

TEST_F(ProfileWrite, ReadOnlyFileIsLeftAsItWas) {
    writeFile(path(), "[Reader]\nIndex=1\n");
    ::chmod(path().c_str(), 0444);
    ProfileFile file(path());
    try {
        file.writeInteger(u"Reader", u"Index", 3);
        FAIL() << "the write went through";
    } catch (const ProfileWriteError& e) {
        EXPECT_NE(toUtf8(e.message()).find(path().string()), std::string::npos);
        EXPECT_NE(toUtf8(e.message()).find("read-only"), std::string::npos);
    }
    EXPECT_EQ(readFile(path()), "[Reader]\nIndex=1\n");
}

TEST_F(ProfileWrite, FolderThatCannotTakeTheFileFails) {
    writeFile(dir_ / "not-a-folder", "");
    ProfileFile file(dir_ / "not-a-folder" / "Settings.ini");
    EXPECT_THROW(file.writeInteger(u"Reader", u"Index", 3), ProfileWriteError);
}

// Root writes into any folder, so as root the write runs as "nobody".
TEST_F(ProfileWrite, ReadOnlyFolderFails) {
    writeFile(path(), "[Reader]\nIndex=1\n");
    ::chmod(path().c_str(), 0644);
    ::chmod(dir_.path().c_str(), 0555);
    const auto attempt = [&] {
        ProfileFile file(path());
        try {
            file.writeInteger(u"Reader", u"Index", 3);
        } catch (const ProfileWriteError&) {
            return true;
        }
        return false;
    };
    bool failed = false;
    if (::geteuid() != 0) {
        failed = attempt();
    } else {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(attempt() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "cannot drop to nobody";
        failed = WEXITSTATUS(status) == 0;
    }
    ::chmod(dir_.path().c_str(), 0755);
    EXPECT_TRUE(failed);
    EXPECT_EQ(readFile(path()), "[Reader]\nIndex=1\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

} // namespace
} // namespace readerlink::station
