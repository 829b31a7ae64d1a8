#include <gtest/gtest.h>

#include "reader/chip/bac_crypto.h"
#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/secure_messaging.h"

namespace readerlink::chip {
namespace {

KeyPair sessionKeys() {
    return {fromHex("979EC13B1CBFE9DCD01AB0FED307EAE5"), fromHex("F1CB1F1FB5ADF208806B89DC579DC1F8")};
}

// The worked example's first READ BINARY answer, counted from SSC ...C229.
constexpr std::uint64_t kSscBeforeRead = 0x887022120C06C229ull - 1;
constexpr const char* kReadResponse = "8709019FF0EC34F9922651990290008E08AD55CC17140B2DED9000";
constexpr const char* kReadCommand = "0CB000000D9701048E08ED6705417E96BA5500";

TEST(SecureMessagingResponse, EveryAlteredByteIsRejected) {
    const Bytes genuine = fromHex(kReadResponse);
    // Data objects only: the outer status word is not what the chip vouches for.
    for (std::size_t i = 0; i + 2 < genuine.size(); ++i) {
        SCOPED_TRACE(i);
        Bytes altered = genuine;
        altered[i] ^= 0x01;
        SecureMessaging reader(sessionKeys(), kSscBeforeRead);
        reader.protectCommand(CommandApdu::parse(fromHex("00B0000004")));
        EXPECT_THROW(reader.unprotectResponse(ResponseApdu::parse(altered)), SecureMessagingError);
    }
}

TEST(SecureMessagingResponse, GenuineAnswerPassesAtTheRightCounterOnly) {
    SecureMessaging reader(sessionKeys(), kSscBeforeRead);
    reader.protectCommand(CommandApdu::parse(fromHex("00B0000004")));
    EXPECT_EQ(toHex(reader.unprotectResponse(ResponseApdu::parse(fromHex(kReadResponse))).data), "60145F01");
    // Replayed: the counter has moved on.
    reader.protectCommand(CommandApdu::parse(fromHex("00B0000004")));
    EXPECT_THROW(reader.unprotectResponse(ResponseApdu::parse(fromHex(kReadResponse))), SecureMessagingError);
}

TEST(SecureMessagingResponse, RefusesMissingMisplacedOrForeignObjects) {
    SecureMessaging chip(sessionKeys(), 0x10);
    const ResponseApdu answer = chip.protectResponse({fromHex("AABBCC"), sw::kSuccess});
    const std::vector<TlvObject> objects = parseTlvSequence(answer.data);
    ASSERT_EQ(objects.size(), 3u); // 87, 99, 8E
    auto raw = [](const TlvObject& o) { return Bytes(o.value.data() - o.headerSize, o.value.data() + o.value.size()); };
    const Bytes do87 = raw(objects[0]), do99 = raw(objects[1]), do8e = raw(objects[2]);
    const std::vector<std::pair<const char*, Bytes>> cases{
        {"no MAC", concat({do87, do99})},
        {"no status", concat({do87, do8e})},
        {"MAC first", concat({do8e, do87, do99})},
        {"status before data", concat({do99, do87, do8e})},
        {"foreign object", concat({do87, do99, fromHex("5301AA"), do8e})},
        {"object after MAC", concat({do87, do99, do8e, fromHex("9902"), fromHex("9000")})},
        {"broken length", concat({do87, fromHex("9905")})},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        SecureMessaging reader(sessionKeys(), 0x10);
        EXPECT_THROW(reader.unprotectResponse({data, sw::kSuccess}), SecureMessagingError);
    }
}

TEST(SecureMessagingResponse, PlainErrorPassesUncountedAndPlainSuccessIsRefused) {
    SecureMessaging reader(sessionKeys(), 0x10);
    const ResponseApdu refused = reader.unprotectResponse({{}, sw::kFileNotFound});
    EXPECT_EQ(refused.sw, sw::kFileNotFound);
    EXPECT_EQ(reader.sendSequenceCounter(), 0x10u);
    EXPECT_THROW(reader.unprotectResponse({{}, sw::kSuccess}), SecureMessagingError);
}

TEST(SecureMessagingCommand, EveryAlteredHeaderOrDataByteIsRejected) {
    const CommandApdu genuine = CommandApdu::parse(fromHex(kReadCommand));
    auto check = [&](const CommandApdu& altered) {
        SecureMessaging chip(sessionKeys(), kSscBeforeRead);
        try {
            chip.unprotectCommand(altered);
            ADD_FAILURE() << "accepted " << toHex(altered.encode());
        } catch (const SecureMessagingError& e) {
            EXPECT_TRUE(e.statusWord() == sw::kSmObjectsIncorrect || e.statusWord() == sw::kSmObjectsMissing);
        }
    };
    for (std::uint8_t CommandApdu::*field : {&CommandApdu::cla, &CommandApdu::ins, &CommandApdu::p1, &CommandApdu::p2}) {
        CommandApdu altered = genuine;
        altered.*field ^= 0x01;
        check(altered);
    }
    for (std::size_t i = 0; i < genuine.data.size(); ++i) {
        SCOPED_TRACE(i);
        CommandApdu altered = genuine;
        altered.data[i] ^= 0x01;
        check(altered);
    }
}

TEST(SecureMessagingCommand, PlainOrUnsignedCommandsAnswer6987) {
    SecureMessaging chip(sessionKeys(), 0);
    try {
        chip.unprotectCommand(CommandApdu::parse(fromHex("00B0000004")));
        ADD_FAILURE();
    } catch (const SecureMessagingError& e) {
        EXPECT_EQ(e.statusWord(), sw::kSmObjectsMissing);
    }
    try {
        chip.unprotectCommand(CommandApdu::parse(fromHex("0CB0000003970104" "00")));
        ADD_FAILURE();
    } catch (const SecureMessagingError& e) {
        EXPECT_EQ(e.statusWord(), sw::kSmObjectsMissing);
    }
}

// The counter is eight bytes in the MAC input whatever its value: a counter
// with leading zero bytes must not shrink.
TEST(SendSequenceCounter, KeepsItsLeadingZeroBytes) {
    SecureMessaging reader(sessionKeys(), 0x00000000FFFFFFFEull);
    const CommandApdu secured = reader.protectCommand(CommandApdu::parse(fromHex("00B0000004")));
    const Bytes macInput = fromHex("00000000FFFFFFFF" "0CB0000080000000" "970104");
    EXPECT_EQ(toHex(secured.data), "970104" "8E08" + toHex(retailMac(sessionKeys().mac, macInput)));
}

TEST(SendSequenceCounter, BothEndsStayInStepAcrossCarries) {
    for (std::uint64_t start : {0x00FFFFFFFFFFFFFDull, 0x0000000000000000ull, 0xFFFFFFFFFFFFFFFEull}) {
        SCOPED_TRACE(start);
        SecureMessaging reader(sessionKeys(), start);
        SecureMessaging chip(sessionKeys(), start);
        for (int round = 0; round < 3; ++round) {
            const CommandApdu plain{0x00, 0xB0, 0x00, static_cast<std::uint8_t>(round), {}, 16};
            const CommandApdu received = chip.unprotectCommand(reader.protectCommand(plain));
            EXPECT_EQ(received.encode(), plain.encode());
            const Bytes content(16, static_cast<std::uint8_t>(round));
            const ResponseApdu answer = reader.unprotectResponse(chip.protectResponse({content, sw::kSuccess}));
            EXPECT_EQ(answer.data, content);
        }
        EXPECT_EQ(reader.sendSequenceCounter(), start + 6);
        EXPECT_EQ(chip.sendSequenceCounter(), start + 6);
    }
}

TEST(SecureMessagingCommand, CarriesDataAndLongExpectedLengths) {
    SecureMessaging reader(sessionKeys(), 7);
    SecureMessaging chip(sessionKeys(), 7);
    for (const CommandApdu& plain : {CommandApdu{0x00, 0xA4, 0x04, 0x0C, fromHex("A0000002471001"), std::nullopt},
                                     CommandApdu{0x00, 0xB0, 0x00, 0x00, {}, 256},
                                     CommandApdu{0x00, 0xB0, 0x00, 0x00, {}, 1000},
                                     CommandApdu{0x00, 0xA4, 0x02, 0x0C, Bytes(8, 0x11), std::nullopt}}) {
        SCOPED_TRACE(toHex(plain.encode()));
        EXPECT_EQ(chip.unprotectCommand(reader.protectCommand(plain)).encode(), plain.encode());
        reader.unprotectResponse(chip.protectResponse({{}, sw::kSuccess}));
    }
}

} // namespace
} // namespace readerlink::chip
