// Why a COM port did not open, and who else has its device open.

#include "platform/linux/com_port_diagnosis.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

using testing::TempDir;

TEST(OpenFailure, NamesTheDeviceTriedAndTheLikelyCause) {
    const std::string dev = "/dev/serial/by-id/usb-reader";
    const std::vector<DeviceHolder> minicom = {{4242, "minicom"}};
    const struct {
        const char* name;
        std::optional<std::string> device;
        int error;
        std::vector<DeviceHolder> holders;
        std::string line;
    } cases[] = {
        {"no device for the name",
         std::nullopt,
         ENOENT,
         {},
         "Serial port COM3: no device has this name; use COM and a number of 1 or more."},
        {"missing",
         dev,
         ENOENT,
         {},
         "Serial port COM3: cannot open " + dev +
             ": no such device. Plug the reader in, or map COM3 to its device "
             "(COM3=/dev/serial/by-id/... in [Ports] of Settings.ini, or a link ports/COM3)."},
        {"gone", dev, ENXIO, {}, "no such device"},
        {"permission",
         dev,
         EACCES,
         {},
         "permission denied. Add the station's user to the group dialout (sudo adduser "},
        {"busy, holder seen", dev, EBUSY, minicom,
         "Serial port COM3: cannot open " + dev +
             ": busy, held by 4242 minicom. Close it, or map COM3 to another device; ModemManager "
             "and brltty take USB-serial adapters on some systems."},
        {"busy, holder unseen",
         dev,
         EBUSY,
         {},
         "busy, held by another program or a second station."},
        {"not a tty", dev, ENOTTY, {}, "not a serial device. Check the mapping of COM3."},
        {"other", dev, EIO, {}, ": Input/output error."},
    };
    for (const auto& c : cases) {
        const std::string line = describeOpenFailure("COM3", c.device, c.error, c.holders);
        EXPECT_NE(line.find(c.line), std::string::npos) << c.name << ": " << line;
        if (c.device) {
            EXPECT_EQ(line.rfind("Serial port COM3: cannot open " + *c.device + ": ", 0), 0u)
                << c.name;
        }
    }
}

TEST(DeviceHolders, AreFoundByTheirOpenDescriptorsExceptThisProcess) {
    TempDir dir;
    const std::filesystem::path device = dir.path() / "ttyUSB0";
    std::ofstream(device).put('x');
    const std::filesystem::path proc = dir.path() / "proc";
    auto process = [&](const std::string& pid, const std::string& comm,
                       const std::vector<std::filesystem::path>& fds) {
        std::filesystem::create_directories(proc / pid / "fd");
        std::ofstream(proc / pid / "comm") << comm << '\n';
        int n = 0;
        for (const auto& target : fds)
            std::filesystem::create_symlink(target, proc / pid / "fd" / std::to_string(n++));
    };
    process("17", "minicom", {"/dev/null", device});
    process("23", "bash", {"/dev/null"});
    process(std::to_string(::getpid()), "readerlink", {device});
    process("self", "readerlink", {device});
    process("99", "cat", {device});

    auto holders = processesHolding(device, proc);
    std::sort(holders.begin(), holders.end(), [](auto& a, auto& b) { return a.pid < b.pid; });
    EXPECT_EQ(holders, (std::vector<DeviceHolder>{{17, "minicom"}, {99, "cat"}}));
    EXPECT_EQ(describeHolders(holders), "17 minicom, 99 cat");
    // Reached through a link, as a by-id name is.
    std::filesystem::create_symlink(device, dir.path() / "by-id");
    EXPECT_EQ(processesHolding(dir.path() / "by-id", proc).size(), 2u);
    EXPECT_TRUE(processesHolding(dir.path() / "missing", proc).empty());
}

} // namespace
} // namespace readerlink::platform
