#include <gtest/gtest.h>

#include "reader/chip/apdu.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {
namespace {

struct ApduCase {
    const char* name;
    const char* bytes;
    std::size_t dataSize;
    std::optional<std::size_t> ne;
};

class CommandApduForms : public ::testing::TestWithParam<ApduCase> {};

TEST_P(CommandApduForms, ParseAndEncodeAgree) {
    const ApduCase& c = GetParam();
    const CommandApdu apdu = CommandApdu::parse(fromHex(c.bytes));
    EXPECT_EQ(apdu.data.size(), c.dataSize);
    EXPECT_EQ(apdu.ne, c.ne);
    EXPECT_EQ(toHex(apdu.encode()), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, CommandApduForms, ::testing::Values(
    ApduCase{"case1", "00A40000", 0, std::nullopt},
    ApduCase{"case2_short", "0084000008", 0, 8},
    ApduCase{"case2_short_256", "00B0000000", 0, 256},
    ApduCase{"case3_short", "00A4020C02011E", 2, std::nullopt},
    ApduCase{"case4_short", "0082000002AABB28", 2, 0x28},
    ApduCase{"case2_extended", "00B00000000400", 0, 1024},
    ApduCase{"case2_extended_65536", "00B00000000000", 0, 65536},
    ApduCase{"case4_extended", "00B1000000000254020000", 2, 65536}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandApdu, RejectsMalformedLengths) {
    for (const char* bad : {"", "00A400", "00A4020C03011E", "00A4020C02011E0000", "00B00000000000000000",
                            "00B000000000", "00B0000000000301"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(CommandApdu::parse(fromHex(bad)), MalformedDataError);
    }
}

TEST(ResponseApdu, SplitsDataAndStatus) {
    const ResponseApdu response = ResponseApdu::parse(fromHex("AABB6282"));
    EXPECT_EQ(toHex(response.data), "AABB");
    EXPECT_EQ(response.sw, sw::kEndOfFileReached);
    EXPECT_FALSE(response.ok());
    EXPECT_EQ(toHex(response.encode()), "AABB6282");
    EXPECT_THROW(ResponseApdu::parse(fromHex("90")), MalformedDataError);
}

} // namespace
} // namespace readerlink::chip
