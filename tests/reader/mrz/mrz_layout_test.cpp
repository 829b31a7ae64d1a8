#include "reader/mrz/mrz_layout.h"

#include <gtest/gtest.h>

#include "reader/mrz/bac_information.h"
#include "reader/mrz/check_digit.h"

namespace readerlink::mrz {
namespace {

struct LayoutCase {
    const char* name;
    std::vector<std::string> lines;
    Layout layout;
    std::array<int, 3> lineStatus;
    // The eleven record fields, in record order.
    std::array<const char*, 11> values;
    std::array<int, 11> statuses;
    const char* bacInformation; // nullptr: none
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class MrzLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MrzLayoutTest, ParsesFieldsStatusesAndBacInformation) {
    const LayoutCase& c = GetParam();
    const ParsedMrz parsed = parseMrz(c.lines);
    EXPECT_EQ(parsed.layout, c.layout);
    EXPECT_EQ(parsed.lineStatus, c.lineStatus);
    for (std::size_t k = 0; k < 11; ++k) {
        EXPECT_EQ(parsed.fields[k].value, c.values[k]) << "field " << k + 1;
        EXPECT_EQ(parsed.fields[k].status, c.statuses[k]) << "field " << k + 1;
    }
    const auto bac = bacMrzInformation(parsed);
    if (c.bacInformation)
        EXPECT_EQ(bac, std::optional<std::string>(c.bacInformation));
    else
        EXPECT_FALSE(bac.has_value());
}

constexpr std::array<int, 11> kAllOk{};

INSTANTIATE_TEST_SUITE_P(
    Icao9303Specimens, MrzLayoutTest,
    ::testing::Values(
        LayoutCase{"TD3",
                   {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L898902C36UTO7408122F1204159ZE184226B<<<<<10"},
                   Layout::TD3,
                   {0, 0, 0},
                   {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "UTO", "740812", "F", "120415",
                    "ZE184226B", ""},
                   kAllOk,
                   "L898902C3674081221204159"},
        LayoutCase{"TD3 of the BAC worked example, number with filler",
                   {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L898902C<3UTO6908061F9406236ZE184226B<<<<<14"},
                   Layout::TD3,
                   {0, 0, 0},
                   {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C", "UTO", "690806", "F", "940623",
                    "ZE184226B", ""},
                   kAllOk,
                   "L898902C<369080619406236"},
        LayoutCase{"TD1",
                   {"I<UTOD231458907<<<<<<<<<<<<<<<", "7408122F1204159UTO<<<<<<<<<<<6",
                    "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"},
                   Layout::TD1,
                   {0, 0, 0},
                   {"I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "UTO", "740812", "F", "120415", "",
                    ""},
                   kAllOk,
                   "D23145890774081221204159"},
        LayoutCase{"TD1 with a long document number",
                   {"I<UTOD23145890<1233<<<<<<<<<<<", "8203151M3012316UTO<<<<<<<<<<<4",
                    "SMITH<<JOHN<<<<<<<<<<<<<<<<<<<"},
                   Layout::TD1,
                   {0, 0, 0},
                   {"I", "UTO", "SMITH", "JOHN", "D23145890123", "UTO", "820315", "M", "301231", "", ""},
                   kAllOk,
                   "D23145890123382031513012316"},
        LayoutCase{"TD2",
                   {"I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "D231458907UTO7408122F1204159<<<<<<<6"},
                   Layout::TD2,
                   {0, 0, 0},
                   {"I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "UTO", "740812", "F", "120415", "",
                    ""},
                   kAllOk,
                   "D23145890774081221204159"},
        LayoutCase{"TD2 with a long document number",
                   {"I<UTOSMITH<<JOHN<<<<<<<<<<<<<<<<<<<<", "D23145890<UTO8203151M30123161233<<<6"},
                   Layout::TD2,
                   {0, 0, 0},
                   {"I", "UTO", "SMITH", "JOHN", "D23145890123", "UTO", "820315", "M", "301231", "", ""},
                   kAllOk,
                   "D23145890123382031513012316"},
        LayoutCase{"MRV-A",
                   {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L8988901C4XXX4009078F96121096ZE184226B<<<<<<"},
                   Layout::MRVA,
                   {0, 0, 0},
                   {"V", "UTO", "ERIKSSON", "ANNA MARIA", "L8988901C", "XXX", "400907", "F", "961210",
                    "6ZE184226B", ""},
                   kAllOk,
                   "L8988901C440090789612109"},
        LayoutCase{"MRV-B",
                   {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "L8988901C4XXX4009078F9612109<<<<<<<<"},
                   Layout::MRVB,
                   {0, 0, 0},
                   {"V", "UTO", "ERIKSSON", "ANNA MARIA", "L8988901C", "XXX", "400907", "F", "961210", "",
                    ""},
                   kAllOk,
                   "L8988901C440090789612109"},
        LayoutCase{"TD3 with a wrong document number check digit",
                   {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L898902C37UTO7408122F1204159ZE184226B<<<<<10"},
                   Layout::TD3,
                   {0, 203, 0},
                   {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "UTO", "740812", "F", "120415",
                    "ZE184226B", ""},
                   {0, 0, 0, 0, 203, 0, 0, 0, 0, 0, 0},
                   "L898902C3774081221204159"},
        LayoutCase{"TD3 whose composite alone fails",
                   {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L898902C36UTO7408122F1204159ZE184226B<<<<<19"},
                   Layout::TD3,
                   {0, 203, 0},
                   {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902C3", "UTO", "740812", "F", "120415",
                    "ZE184226B", ""},
                   kAllOk,
                   "L898902C3674081221204159"},
        LayoutCase{"TD1 with a wrong document number check digit fails line 1 and the composite",
                   {"I<UTOD231458906<<<<<<<<<<<<<<<", "7408122F1204159UTO<<<<<<<<<<<6",
                    "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"},
                   Layout::TD1,
                   {203, 203, 0},
                   {"I", "UTO", "ERIKSSON", "ANNA MARIA", "D23145890", "UTO", "740812", "F", "120415", "",
                    ""},
                   {0, 0, 0, 0, 203, 0, 0, 0, 0, 0, 0},
                   "D23145890674081221204159"},
        LayoutCase{"An illegal character outweighs the check digits",
                   {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<",
                    "L898902c36UTO7408122F1204159ZE184226B<<<<<10"},
                   Layout::TD3,
                   {0, 201, 0},
                   {"P", "UTO", "ERIKSSON", "ANNA MARIA", "L898902c3", "UTO", "740812", "F", "120415",
                    "ZE184226B", ""},
                   {0, 0, 0, 0, 201, 0, 0, 0, 0, 0, 0},
                   "L898902c3674081221204159"},
        LayoutCase{"Lines that fit no layout",
                   {"P<UTOERIKSSON<<ANNA<MARIA", "L898902C36UTO7408122F12"},
                   Layout::Unknown,
                   {200, 200, 0},
                   {"", "", "", "", "", "", "", "", "", "", ""},
                   kAllOk,
                   nullptr}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.name))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

TEST(CheckDigit, WeightsSevenThreeOneOverCharacterValues) {
    struct Case {
        const char* data;
        char digit;
    };
    for (const Case& c : {Case{"L898902C3", '6'}, Case{"740812", '2'}, Case{"ZE184226B<<<<<", '1'},
                          Case{"<<<<<<<<<<<<<<", '0'}, Case{"", '0'}, Case{"D23145890123", '3'}})
        EXPECT_EQ(computeCheckDigit(c.data), c.digit) << c.data;
}

TEST(CheckDigit, FillerCheckDigitHoldsOnlyForAnUnusedField) {
    EXPECT_TRUE(checkDigitHolds("<<<<<<<<<<<<<<", '<'));
    EXPECT_TRUE(checkDigitHolds("<<<<<<<<<<<<<<", '0'));
    EXPECT_FALSE(checkDigitHolds("ZE184226B<<<<<", '<'));
    EXPECT_FALSE(checkDigitHolds("", '<'));
}

TEST(SplitMrzText, CutsRunTogetherChipMrzByLength) {
    const std::string td3 = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";
    EXPECT_EQ(splitMrzText(td3).size(), 2u);
    EXPECT_EQ(splitMrzText(std::string(90, '<')).size(), 3u);
    EXPECT_EQ(splitMrzText(std::string(72, '<')).size(), 2u);
    EXPECT_EQ(splitMrzText(std::string(50, '<')).size(), 1u);
}

TEST(SplitMrzText, DropsEmptyLinesOfCrLfText) {
    const auto lines = splitMrzText("LINE1\r\nLINE2\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "LINE2");
    EXPECT_TRUE(splitMrzText("\r\n\r\n").empty());
}

TEST(BacMrzInformation, TakesCrLfJoinedLinesWithAnEmptyThirdLine) {
    EXPECT_EQ(bacMrzInformation("P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\r\n"
                                "L898902C<3UTO6908061F9406236ZE184226B<<<<<14\r\n"),
              std::optional<std::string>("L898902C<369080619406236"));
    EXPECT_FALSE(bacMrzInformation("\r\n\r\n").has_value());
}

} // namespace
} // namespace readerlink::mrz
