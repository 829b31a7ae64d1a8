// A serial MRZ reader through the station on a pseudo-terminal: the port is
// found through the [Ports] section, the burst reaches delivery when
// BufferTimer expires, and what delivery throws reaches the default error
// display instead of the timer's caller.

#include "common/error.h"
#include "platform/backends.h"
#include "station/station_serial_link.h"
#include "station_fixture.h"
#include "support/pty_pair.h"
#include "support/test_loop.h"

#include <gtest/gtest.h>

namespace readerlink::station::testing {
namespace {

class RefusingDelivery : public DeliveryLink {
public:
    void sendDataToApp() override {
        ++calls;
        throw Error(u"Host refused the data");
    }
    int calls = 0;
};

class StationSerialLinkTest : public StationFixture {};

TEST_F(StationSerialLinkTest, BurstFromTheMappedPortIsDeliveredAndItsErrorShown) {
    readerlink::testing::PtyPair pty;
    writeFile(settingsPath(), "[Ports]\nCOM3=" + pty.slavePath() + "\n");
    Station& s = start();
    s.FormCreate();
    s.setReaderIndex(1); // Handheld, a serial reader
    s.setComPort(3);

    readerlink::testing::TestLoop loop;
    StationSerialLink link(s, platform::makeSerialDevices(dir.path(), portsSection(s)), loop);
    RefusingDelivery refusing;
    s.setSerialReader(&link);
    s.setDelivery(&refusing);

    s.dispatch([&s] { s.BtnConnectClick(); });
    ASSERT_EQ(dialogs.errors, std::vector<std::u16string>{});

    pty.write("L898902C36UTO\r\n");
    ASSERT_TRUE(loop.runUntil([&s] { return s.bufferTimer().isActive(); }));
    // The burst's tail may still be on its way; the test gives it the time
    // BufferTimer would.
    loop.runUntil([] { return false; }, std::chrono::milliseconds(100));

    bufferTimer().fire();
    EXPECT_EQ(refusing.calls, 1);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find(u"Host refused the data"), std::u16string::npos);
    EXPECT_NE(out.str().find("L898902C36UTO\n"), std::string::npos) << out.str();
    EXPECT_TRUE(s.scanData().empty());
    s.setSerialReader(nullptr);
    s.setDelivery(nullptr);
}

TEST_F(StationSerialLinkTest, APortThatDoesNotOpenIsExplainedInTheLog) {
    const std::string missing = (dir.path() / "serial" / "by-id" / "usb-reader").string();
    writeFile(settingsPath(), "[Ports]\nCOM4=" + missing + "\n");
    Station& s = start();
    s.FormCreate();
    s.setReaderIndex(5); // Metrologic Focus MS1890, a serial reader
    s.setComPort(4);
    readerlink::testing::TestLoop loop;
    StationSerialLink link(s, platform::makeSerialDevices(dir.path(), portsSection(s)), loop);
    s.setSerialReader(&link);

    s.dispatch([&s] { s.BtnConnectClick(); });
    EXPECT_EQ(dialogs.errors, std::vector<std::u16string>{u"Unable to open com port (Error: 2)"});
    EXPECT_NE(out.str().find("Serial port COM4: cannot open " + missing + ": no such device."),
              std::string::npos)
        << out.str();
    s.setSerialReader(nullptr);
}

} // namespace
} // namespace readerlink::station::testing
