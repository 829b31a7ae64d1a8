#include "common/text.h"
#include "reader/archive_names.h"

#include <gtest/gtest.h>
#include <random>

namespace readerlink::reader {
namespace {

struct NameCase {
    const char* what;
    std::u16string line2;
    std::u16string passport; // cleaned passport name
    std::u16string visa;
    std::u16string portrait;
    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.what; }
};

class NameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameTest, NamesCutFromMrzLineTwo) {
    const NameCase& c = GetParam();
    EXPECT_EQ(cleanName(passportNamePieces(c.line2)), c.passport);
    EXPECT_EQ(visaName(c.line2), c.visa);
    EXPECT_EQ(portraitName(c.line2), c.portrait);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NameTest,
    ::testing::Values(NameCase{"Td3", u"L898902C36UTO7408122F1204159ZE184226B<<<<<10",
                               u"UTO-L898902C3", u"L898902C3-ZE184226B", u"L898902C3"},
                      // The filler after the number trims away; the two inside stay.
                      NameCase{"FillerNationality", u"AB123456<6D<<7408122F1204159",
                               u"D  -AB123456", u"AB123456 -", u"AB123456"},
                      NameCase{"ShortLine", u"AB1", u"-AB1", u"AB1-", u"AB1"},
                      NameCase{"Empty", u"", u"-", u"-", u""},
                      NameCase{"VisaFillers", u"AB12<<<<<6UTO4009078F9612109<<<<<<<<<<",
                               u"UTO-AB12", u"AB12     -", u"AB12"},
                      NameCase{"PathCharacters", u"../..\\:*?9/..", u"-", u"-", u""},
                      NameCase{"ControlAndNul", std::u16string(u"A\0B\x1F\x7F\r\nC9", 9),
                               u"-A B    C9", u"A B    C9-", u"A B    C9"},
                      NameCase{"NonAscii", u"\u00C9\u0416\uFF0FX", u"-   X", u"X-", u"X"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(SafeNamePart, OnlyLettersDigitsBlankHyphenAndFillerSurvive) {
    EXPECT_EQ(safeNamePart(u"Az09 -<"), u"Az09 -<");
    EXPECT_EQ(safeNamePart(u"./\\:|\"'*?%$~"), std::u16string(12, u' '));
}

TEST(SafeNamePart, NoLineOfAnyContentGivesANameThatLeavesItsFolder) {
    std::mt19937 random(20210210);
    // Mostly the characters that matter in paths, some of anything else.
    const std::u16string hostile(u"./\\:\0\x01\x1F\x7F<- AZ09", 15);
    auto allowed = [](char16_t c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
               c == u' ' || c == u'-';
    };
    for (int round = 0; round < 20000; ++round) {
        std::u16string line(random() % 50, u' ');
        for (auto& c : line) {
            c = random() % 4 != 0 ? hostile[random() % hostile.size()]
                                  : static_cast<char16_t>(random() % 0x10000);
        }
        for (const auto& name :
             {cleanName(passportNamePieces(line)), visaName(line), portraitName(line)}) {
            for (char16_t c : name)
                ASSERT_TRUE(allowed(c))
                    << "code unit " << static_cast<int>(c) << " in round " << round;
        }
    }
}

struct ClockCase {
    LocalDateTime time;
    const char16_t* separator;
    const char16_t* name;
    friend void PrintTo(const ClockCase& c, std::ostream* os) { *os << toUtf8(c.name); }
};

class ClockNameTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockNameTest, DayCountInGeneralFormat) {
    EXPECT_EQ(ClockName(GetParam().time, GetParam().separator), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Times, ClockNameTest,
    ::testing::Values(ClockCase{{2021, 2, 10, 11, 20, 27, 0}, u".", u"44237.4725347222"},
                      ClockCase{{2021, 2, 10, 11, 20, 27, 0}, u",", u"44237,4725347222"},
                      ClockCase{{2021, 2, 10, 0, 0, 0, 0}, u".", u"44237"},
                      ClockCase{{2021, 2, 10, 12, 0, 0, 0}, u".", u"44237.5"},
                      ClockCase{{2021, 2, 10, 18, 0, 0, 0}, u"\u066B", u"44237\u066B75"},
                      ClockCase{{2021, 2, 10, 23, 59, 59, 999}, u".", u"44237.9999999884"},
                      ClockCase{{1899, 12, 30, 0, 0, 0, 0}, u".", u"0"},
                      ClockCase{{1900, 3, 1, 0, 0, 0, 0}, u".", u"61"},
                      ClockCase{{2000, 1, 1, 6, 0, 0, 0}, u".", u"36526.25"},
                      ClockCase{{2024, 2, 29, 0, 0, 0, 1}, u".", u"45351.0000000116"}));

} // namespace
} // namespace readerlink::reader
