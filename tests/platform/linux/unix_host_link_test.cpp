#include "support/delivery_fakes.h"
#include "common/text.h"
#include "delivery/host_protocol.h"
#include "delivery/send_data_to_app.h"
#include "platform/linux/host_socket_location.h"
#include "platform/linux/unix_host_link.h"
#include "reference_host.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;
using testing::ReferenceHost;

const std::u16string kLine1 = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";

// Every test gets its own runtime folder, so the station and the host meet
// there and nowhere else.
class HostLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/readerlink-hostlink-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        runtimeDir_ = pattern;
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntimeDir_ = old;
        ::setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
    }
    void TearDown() override {
        if (oldRuntimeDir_)
            ::setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(runtimeDir_);
    }

    HostSendResult send(std::u16string_view text, std::chrono::milliseconds bound = 5s,
                        WindowId sender = 0x1234ABCD) {
        return makeUnixHostLink({bound})->send(sender, encodeHostDataRecord(text));
    }

    std::string runtimeDir_;
    std::optional<std::string> oldRuntimeDir_;
};

TEST_F(HostLinkTest, RecordArrivesByteForByte) {
    ReferenceHost host({"--hex", "--count", "1"});
    const HostSendResult result = send(kLine1);
    EXPECT_EQ(result.outcome, HostDelivery::Answered);
    EXPECT_EQ(result.answer, 1);
    EXPECT_EQ(host.waitExit(), 0);

    const std::string out = host.waitForOutput([](const std::string&) { return false; }, 2s);
    EXPECT_NE(out.find("record 1 from window 0x1234abcd: dwData 0, cbData 2308"), std::string::npos)
        << out;
    EXPECT_NE(out.find("kind 1, textLength 44"), std::string::npos) << out;

    const auto bytes = testing::parseHexDump(out);
    ASSERT_EQ(bytes.size(), 2308u) << out;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 5),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 44}));
    EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 49), toUtf8(kLine1));
    for (std::size_t i = 49; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0) << "at offset " << i;
}

struct WireText {
    std::string name;
    std::u16string text;
    std::string bytes;   // the text bytes on the wire
    std::string printed; // how the host shows them
};

void PrintTo(const WireText& c, std::ostream* os) {
    *os << c.name;
}

class HostLinkText : public HostLinkTest, public ::testing::WithParamInterface<WireText> {};

TEST_P(HostLinkText, ArrivesInTheCodePage) {
    const WireText& c = GetParam();
    ReferenceHost host({"--hex", "--count", "1"});
    EXPECT_EQ(send(c.text).outcome, HostDelivery::Answered);
    EXPECT_EQ(host.waitExit(), 0);
    const std::string out = host.waitForOutput([](const std::string&) { return false; }, 2s);

    EXPECT_NE(out.find("textLength " + std::to_string(c.bytes.size()) + "\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("text \"" + c.printed + "\"\n"), std::string::npos) << out;
    const auto bytes = testing::parseHexDump(out);
    ASSERT_EQ(bytes.size(), 2308u);
    EXPECT_EQ(bytes[4], c.bytes.size());
    EXPECT_EQ(std::string(bytes.begin() + 5, bytes.begin() + 5 + static_cast<long>(c.bytes.size())),
              c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostLinkText,
                         ::testing::Values(WireText{"Umlauts", u"\u00C4\u00D6\u00DC",
                                                    "\xC4\xD6\xDC", "\u00C4\u00D6\u00DC"},
                                           WireText{"OutsideTheCodePage", u"\u0141\u00F3d\u017A",
                                                    "?\xF3"
                                                    "d?",
                                                    "?\u00F3d?"},
                                           WireText{"LineEnds", u"A\r\nB", "A\r\nB", "A\\r\\nB"},
                                           WireText{"Empty", u"", "", ""},
                                           WireText{"Over255Cut", std::u16string(300, u'Z'),
                                                    std::string(255, 'Z'), std::string(255, 'Z')}),
                         [](const auto& info) { return info.param.name; });

// A host that takes the connection and drops it unread resets it; that is
// neither an answer nor a time-out.
TEST_F(HostLinkTest, HostThatDropsTheRecordIsToldApartFromOneThatAnswers) {
    ReferenceHost host({"--drop"});
    for (int round = 1; round <= 3; ++round) {
        EXPECT_EQ(send(u"ABC").outcome, HostDelivery::Closed) << "round " << round;
        EXPECT_TRUE(host.waitFor("record " + std::to_string(round) + " dropped unread"));
    }
}

TEST_F(HostLinkTest, NoHostWhetherNeverStartedOrGone) {
    EXPECT_EQ(send(u"ABC").outcome, HostDelivery::NoHost);

    {
        ReferenceHost host;
        host.kill(SIGKILL);
        ASSERT_TRUE(host.waitExit());
    }
    // A host that died leaves its socket behind; nobody listens there.
    ASSERT_TRUE(std::filesystem::exists(currentHostSocketLocation().socketPath));
    EXPECT_EQ(send(u"ABC").outcome, HostDelivery::NoHost);

    // The next host takes the place over.
    ReferenceHost next({"--count", "1"});
    EXPECT_EQ(send(u"ABC").outcome, HostDelivery::Answered);
}

TEST_F(HostLinkTest, NeverAnsweringHostReleasesTheStationAtTheBound) {
    ReferenceHost host({"--no-answer"});
    for (int round = 0; round < 2; ++round) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(send(u"ABC", 300ms).outcome, HostDelivery::NoAnswer);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, 250ms);
        EXPECT_LT(took, 5s);
    }
    EXPECT_TRUE(host.waitFor("record 2 from window"));
}

// A host that stops accepting connections fills its queue; from then on
// connecting itself would wait, and that wait is bounded as well.
TEST_F(HostLinkTest, HostThatStopsAcceptingCannotHoldTheStation) {
    const auto location = currentHostSocketLocation();
    ensurePrivateFolder(location.folder);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::copy(location.socketPath.begin(), location.socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);

    std::vector<HostDelivery> outcomes;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        outcomes.push_back(send(u"ABC", 200ms).outcome);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << "round " << round;
    }
    ::close(listener);
    EXPECT_EQ(outcomes.front(), HostDelivery::NoAnswer);
    EXPECT_EQ(outcomes.back(), HostDelivery::NotSent);
}

struct UnsafeFolder {
    std::string name;
    // Spoils the folder a running host made; returns false to skip the case.
    std::function<bool(const std::string& folder)> spoil;
    std::string why; // the end of the logged reason
};

void PrintTo(const UnsafeFolder& c, std::ostream* os) {
    *os << c.name;
}

class HostLinkUnsafeFolder : public HostLinkTest,
                             public ::testing::WithParamInterface<UnsafeFolder> {};

// Nothing goes through a folder that is not private, and the log says why and
// where, since starting a host would not help.
TEST_P(HostLinkUnsafeFolder, IsRefusedAndTheLogSaysWhy) {
    const UnsafeFolder& c = GetParam();
    ReferenceHost host;
    const std::string folder = currentHostSocketLocation().folder;
    if (!c.spoil(folder))
        GTEST_SKIP() << "needs root to give the folder to another user";

    const HostSendResult result = send(u"ABC");
    EXPECT_EQ(result.outcome, HostDelivery::Unsafe);
    EXPECT_EQ(host.output().find("record"), std::string::npos);

    std::u16string text = u"ABC";
    testing::FakeTarget target;
    testing::RecordingLog log;
    const auto link = makeUnixHostLink({300ms});
    DeliveryDispatcher(text, target, nullptr, *link, log).SendDataToApp();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(toUtf8(log.lines[0].text), "Host socket folder is not private (" + folder + ": " +
                                             c.why + "), data not sent: ABC");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostLinkUnsafeFolder,
    ::testing::Values(
        UnsafeFolder{"OpenToOthers",
                     [](const std::string& f) { return ::chmod(f.c_str(), 0755) == 0; },
                     "mode 0755, must be 0700"},
        UnsafeFolder{"OpenToTheGroup",
                     [](const std::string& f) { return ::chmod(f.c_str(), 0710) == 0; },
                     "mode 0710, must be 0700"},
        UnsafeFolder{"SymbolicLink",
                     [](const std::string& f) {
                         std::filesystem::rename(f, f + "-real");
                         std::filesystem::create_directory_symlink(f + "-real", f);
                         return true;
                     },
                     "a symbolic link, must be a real folder"},
        UnsafeFolder{"AnotherOwner",
                     [](const std::string& f) {
                         return ::geteuid() == 0 && ::chown(f.c_str(), 65534, 65534) == 0;
                     },
                     "owned by user 65534, must be owned by user 0"}),
    [](const auto& info) { return info.param.name; });

TEST_F(HostLinkTest, HostRefusesAFolderThatIsNotPrivate) {
    ensurePrivateFolder(currentHostSocketLocation().folder);
    ::chmod(currentHostSocketLocation().folder.c_str(), 0755);
    const auto [status, out] = ReferenceHost::runToEnd({});
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("is not private to this user"), std::string::npos) << out;
    EXPECT_NE(out.find("mode 0755, must be 0700"), std::string::npos) << out;
}

TEST_F(HostLinkTest, SecondHostIsRefusedAndFirstKeepsServing) {
    ReferenceHost host({"--count", "1"});
    const auto [status, out] = ReferenceHost::runToEnd({});
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("already listening"), std::string::npos) << out;
    EXPECT_EQ(send(u"ABC").outcome, HostDelivery::Answered);
}

TEST_F(HostLinkTest, HostRefusesOtherMessagesAndServesTheNext) {
    ReferenceHost host({"--count", "1"});
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = currentHostSocketLocation().socketPath;
        std::copy(path.begin(), path.end(), address.sun_path);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        HostRequestHeader header;
        header.message = 0x0100;
        const auto bytes = encodeHostRequestHeader(header);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        std::uint8_t answer[8];
        EXPECT_EQ(::read(fd, answer, sizeof answer), 0); // closed without an answer
        ::close(fd);
    }
    EXPECT_TRUE(host.waitFor("refused"));
    EXPECT_EQ(send(u"ABC").outcome, HostDelivery::Answered);
}

// The dispatcher on the real link: what the operator finds in the log.
TEST_F(HostLinkTest, DispatcherLogsWhatTheHostDid) {
    std::u16string scanData = kLine1;
    testing::FakeTarget target;
    testing::RecordingLog log;
    const auto link = makeUnixHostLink({300ms});
    DeliveryDispatcher dispatcher(scanData, target, nullptr, *link, log);

    dispatcher.SendDataToApp();
    {
        ReferenceHost host({"--count", "1"});
        dispatcher.SendDataToApp();
        EXPECT_TRUE(host.waitFor("text \"" + toUtf8(kLine1) + "\""));
    }
    {
        ReferenceHost host({"--no-answer"});
        dispatcher.SendDataToApp();
    }
    {
        ReferenceHost host({"--drop"});
        dispatcher.SendDataToApp();
        EXPECT_TRUE(host.waitFor("record 1 dropped unread"));
    }
    EXPECT_EQ(
        log.lines,
        (std::vector<testing::LogLine>{
            {u"No host application found, data not sent: " + kLine1, false},
            {u"Data sent " + kLine1, false},
            {u"Host application did not answer in time, data not confirmed: " + kLine1, false},
            {u"Host application closed the connection without answering, data not confirmed: " +
                 kLine1,
             false}}));
}

struct LocationCase {
    std::string name;
    const char* runtimeDir;
    std::string socketPath;
};

void PrintTo(const LocationCase& c, std::ostream* os) {
    *os << c.name;
}

class HostSocketPath : public ::testing::TestWithParam<LocationCase> {};

TEST_P(HostSocketPath, DerivesFromClassAndTitle) {
    const auto location = hostSocketLocation(GetParam().runtimeDir, 1000);
    EXPECT_EQ(location.socketPath, GetParam().socketPath);
    EXPECT_EQ(location.folder + "/TBarcodeForm-BarcodeForm.sock", location.socketPath);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostSocketPath,
    ::testing::Values(
        LocationCase{"RuntimeDir", "/run/user/1000",
                     "/run/user/1000/readerlink/TBarcodeForm-BarcodeForm.sock"},
        LocationCase{"Unset", nullptr, "/tmp/readerlink-1000/TBarcodeForm-BarcodeForm.sock"},
        LocationCase{"Empty", "", "/tmp/readerlink-1000/TBarcodeForm-BarcodeForm.sock"},
        LocationCase{"Relative", "run/user", "/tmp/readerlink-1000/TBarcodeForm-BarcodeForm.sock"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace readerlink::platform
