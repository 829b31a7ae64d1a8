#include <gtest/gtest.h>

#include "platform/linux/com_port_paths.h"
#include "support/temp_dir.h"

namespace readerlink::platform {
namespace {

TEST(ComPortPaths, FirstMatchWinsInTheDocumentedOrder) {
    testing::TempDir folder;
    folder.link("COM3", "/dev/pts/77");
    folder.link("COM4", "/dev/pts/78");
    ComPortPaths paths;
    paths.portsFolder = folder.path();
    paths.portsSection = [](const std::u16string& name) -> std::optional<std::string> {
        if (name == u"COM3")
            return "/dev/serial/by-id/usb-reader";
        if (name == u"COM6")
            return ""; // an empty entry is no entry
        return std::nullopt;
    };
    const std::vector<std::pair<std::u16string, std::optional<std::string>>> cases = {
        {u"COM3", "/dev/serial/by-id/usb-reader"},
        {u"com3", "/dev/serial/by-id/usb-reader"},
        {u"COM4", (folder.path() / "COM4").string()},
        {u"COM6", "/dev/ttyS5"},
        {u"COM1", "/dev/ttyS0"},
        {u"COM10", "/dev/ttyS9"},
        {u"COM256", "/dev/ttyS255"},
        {u"COM0", std::nullopt},
        {u"COM-3", std::nullopt},
        {u"COM03", std::nullopt},
        {u"COM", std::nullopt},
        {u"COM3 ", std::nullopt},
        {u"/dev/ttyUSB0", std::nullopt},
        {u"", std::nullopt},
        {u"COM99999999999", std::nullopt},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(resolveComPortPath(name, paths), path) << std::string(name.begin(), name.end());
}

TEST(ComPortPaths, WithoutSettingsOrFolderOnlyTheSerialDevicesRemain) {
    EXPECT_EQ(resolveComPortPath(u"COM2", {}), "/dev/ttyS1");
}

} // namespace
} // namespace readerlink::platform
