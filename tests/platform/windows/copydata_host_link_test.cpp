#include "child_process.h"
#include "delivery/host_data_record.h"
#include "platform/windows/copydata_host_link.h"

#include <gtest/gtest.h>

namespace readerlink::platform {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

std::wstring hostTool() {
    return testing::windowsPath(READERLINK_HOST_TOOL);
}

TEST(CopyDataHostLink, NoHostWindowIsNoHost) {
    auto link = makeCopyDataHostLink();
    EXPECT_EQ(link->send(0x1234, encodeHostDataRecord(u"X")).outcome, HostDelivery::NoHost);
}

TEST(CopyDataHostLink, RecordsReachTheReferenceHostExactly) {
    ChildProcess host(hostTool(), {L"--count", L"2"});
    ASSERT_TRUE(host.waitForOutput("listening as window", 20s)) << host.output();

    auto link = makeCopyDataHostLink();
    const auto first = link->send(0x1234, encodeHostDataRecord(u"P<UTOERIKSSON<<ANNA<MARIA\r"));
    EXPECT_EQ(first.outcome, HostDelivery::Answered);
    EXPECT_EQ(first.answer, 1);
    const auto second = link->send(0xBEEF, encodeHostDataRecord(u"Müller é"));
    EXPECT_EQ(second.outcome, HostDelivery::Answered);

    ASSERT_EQ(host.waitForExit(20s), 0u) << host.output();
    const std::string out = host.output();
    EXPECT_NE(out.find("record 1 from window 0x1234: dwData 0, cbData 2308\n"
                       "  kind 1, textLength 26\n"
                       "  text \"P<UTOERIKSSON<<ANNA<MARIA\\r\"\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("record 2 from window 0xbeef: dwData 0, cbData 2308\n"
                       "  kind 1, textLength 8\n"
                       "  text \"Müller é\"\n"),
              std::string::npos)
        << out;
}

TEST(CopyDataHostLink, AHostThatSitsOnTheRecordIsNoAnswerWithinTheBound) {
    ChildProcess host(hostTool(), {L"--no-answer", L"--count", L"1"});
    ASSERT_TRUE(host.waitForOutput("listening as window", 20s)) << host.output();

    auto link = makeCopyDataHostLink({.answerBound = 300ms});
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(link->send(0x1, encodeHostDataRecord(u"A")).outcome, HostDelivery::NoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_TRUE(host.waitForOutput("  text \"A\"", 10s)) << host.output();
}

} // namespace
} // namespace readerlink::platform
