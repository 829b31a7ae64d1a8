#include "support/temp_dir.h"
#include "platform/linux/xdg_autostart_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace readerlink::platform {
namespace {

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;

TEST(XdgAutostart, WritesADesktopEntryThatStartsMinimized) {
    TempDir dir;
    XdgAutostartStore store(dir / "autostart"); // created on demand
    ASSERT_TRUE(store.setEntry(u"2D Barcode", "/opt/readerlink/bin/readerlink", u"/m 1"));
    EXPECT_EQ(store.entryPath(u"2D Barcode"), dir / "autostart" / "2D Barcode.desktop");
    EXPECT_EQ(readFile(dir / "autostart" / "2D Barcode.desktop"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=2D Barcode\n"
              "Comment=Orlam Passport Reader Link, started minimized at log-on\n"
              "Exec=\"/opt/readerlink/bin/readerlink\" /m 1\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");

    ASSERT_TRUE(store.setEntry(u"2D Barcode", "/opt/readerlink/bin/readerlink", u"/m 0"));
    EXPECT_NE(readFile(store.entryPath(u"2D Barcode"))
                  .find("Exec=\"/opt/readerlink/bin/readerlink\" /m 0\n"),
              std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "autostart"), {}), 1);

    store.removeEntry(u"2D Barcode");
    EXPECT_FALSE(std::filesystem::exists(store.entryPath(u"2D Barcode")));
    store.removeEntry(u"2D Barcode"); // already gone: no effect
}

TEST(XdgAutostart, ExecValueEscapesWhatTheDesktopEntryFormatReserves) {
    const struct {
        const char* path;
        std::optional<std::string> exec;
    } cases[] = {
        {"/opt/reader link/readerlink", "\"/opt/reader link/readerlink\" /m 1"},
        {"/opt/a\"b", "\"/opt/a\\\\\"b\" /m 1"},
        {"/opt/$HOME`x`", "\"/opt/\\\\$HOME\\\\`x\\\\`\" /m 1"},
        {"/opt/a\\b", "\"/opt/a\\\\\\\\b\" /m 1"},
        {"/opt/100%", "\"/opt/100%%\" /m 1"},
        {"/opt/a\nb", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(desktopExecValue(c.path, "/m 1"), c.exec) << c.path;
}

TEST(XdgAutostart, FailureLeavesTheEntryAsItWas) {
    TempDir dir;
    writeFile(dir / "autostart", "a file where the folder should be");
    XdgAutostartStore blocked(dir / "autostart");
    EXPECT_FALSE(blocked.setEntry(u"2D Barcode", "/usr/bin/readerlink", u"/m 1"));
    EXPECT_EQ(readFile(dir / "autostart"), "a file where the folder should be");

    XdgAutostartStore store(dir / "ok");
    ASSERT_TRUE(store.setEntry(u"2D Barcode", "/usr/bin/readerlink", u"/m 1"));
    const std::string before = readFile(store.entryPath(u"2D Barcode"));
    EXPECT_FALSE(store.setEntry(u"2D Barcode", "/usr/bin/reader\nlink", u"/m 1"));
    EXPECT_EQ(readFile(store.entryPath(u"2D Barcode")), before);
}

TEST(XdgAutostart, DefaultFolderFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/srv/config", 1);
    EXPECT_EQ(XdgAutostartStore::defaultDirectory(),
              std::filesystem::path("/srv/config/autostart"));
    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", ::getenv("HOME") ? ::getenv("HOME") : "/root", 1);
    EXPECT_EQ(XdgAutostartStore::defaultDirectory(),
              std::filesystem::path(::getenv("HOME")) / ".config" / "autostart");
    if (saved)
        ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace readerlink::platform
