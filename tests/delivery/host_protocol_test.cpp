#include "delivery/host_data_record.h"
#include "delivery/host_protocol.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace readerlink {
namespace {

std::vector<std::uint8_t> request(const HostRequestHeader& header,
                                  const std::vector<std::uint8_t>& payload) {
    const auto head = encodeHostRequestHeader(header);
    // Sized once and filled: GCC 12 at -O3 misreads a growing insert as out of bounds.
    std::vector<std::uint8_t> bytes(head.size() + payload.size());
    std::copy(head.begin(), head.end(), bytes.begin());
    std::copy(payload.begin(), payload.end(), bytes.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return bytes;
}

TEST(HostProtocol, HeaderBytesAreLittleEndianWithoutGaps) {
    HostRequestHeader header;
    header.senderWindow = 0x1122334455667788;
    header.cbData = 2308;
    const auto bytes = encodeHostRequestHeader(header);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              (std::vector<std::uint8_t>{0x4A, 0,    0,    0,                            // message
                                         0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, // wParam
                                         0,    0,    0,    0,    0,    0,    0,    0,    // dwData
                                         0x04, 0x09, 0,    0}));                         // cbData
}

TEST(HostProtocol, AnswerIsSigned64BitLittleEndian) {
    const auto bytes = encodeHostAnswer(-2);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(decodeHostAnswer(bytes), -2);
}

// Streams deliver a request in arbitrary pieces.
class HostRequestPieces : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HostRequestPieces, AssembleOneRequestAndLeaveWhatFollows) {
    const HostRecordBytes record = encodeHostDataRecord(u"P<UTO");
    HostRequestHeader header;
    header.senderWindow = 0x4A00007;
    header.cbData = kHostDataRecordSize;
    std::vector<std::uint8_t> bytes =
        request(header, std::vector<std::uint8_t>(record.begin(), record.end()));
    const std::size_t requestSize = bytes.size();
    bytes.insert(bytes.end(), {1, 2, 3}); // the start of something else

    HostRequestReader reader;
    std::size_t offset = 0;
    while (offset < bytes.size() && reader.state() == HostRequestReader::State::NeedMore) {
        const std::size_t piece = std::min(GetParam(), bytes.size() - offset);
        offset += reader.feed(std::span(bytes).subspan(offset, piece));
    }
    ASSERT_EQ(reader.state(), HostRequestReader::State::Complete);
    EXPECT_EQ(offset, requestSize);
    EXPECT_EQ(reader.header().senderWindow, 0x4A00007u);
    EXPECT_EQ(reader.header().cbData, kHostDataRecordSize);
    EXPECT_TRUE(
        std::equal(record.begin(), record.end(), reader.payload().begin(), reader.payload().end()));
    EXPECT_EQ(reader.feed(bytes), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HostRequestPieces, ::testing::Values(1, 7, 24, 25, 4096));

TEST(HostRequestReader, EmptyPayloadCompletesWithTheHeader) {
    HostRequestHeader header;
    header.cbData = 0;
    HostRequestReader reader;
    EXPECT_EQ(reader.feed(request(header, {})), kHostRequestHeaderSize);
    EXPECT_EQ(reader.state(), HostRequestReader::State::Complete);
    EXPECT_TRUE(reader.payload().empty());
}

struct BadHeader {
    std::string name;
    std::uint32_t message;
    std::uint32_t cbData;
};

void PrintTo(const BadHeader& c, std::ostream* os) {
    *os << c.name;
}

class HostRequestRefused : public ::testing::TestWithParam<BadHeader> {};

TEST_P(HostRequestRefused, AtTheHeaderWithoutReadingOn) {
    HostRequestHeader header;
    header.message = GetParam().message;
    header.cbData = GetParam().cbData;
    HostRequestReader reader;
    EXPECT_EQ(reader.feed(request(header, std::vector<std::uint8_t>(64))), kHostRequestHeaderSize);
    EXPECT_EQ(reader.state(), HostRequestReader::State::Invalid);
    EXPECT_FALSE(reader.problem().empty());
    EXPECT_EQ(reader.feed(std::vector<std::uint8_t>(8)), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostRequestRefused,
                         ::testing::Values(BadHeader{"OtherMessage", 0x0100, 16},
                                           BadHeader{"PayloadOverTheLimit", kCopyDataMessage,
                                                     kMaxHostPayloadSize + 1},
                                           BadHeader{"HugePayload", kCopyDataMessage, 0xFFFFFFFF}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace readerlink
