#include <gtest/gtest.h>

#include "reader/chip/chip_error.h"
#include "reader/chip/mrz_information.h"

namespace readerlink::chip {
namespace {

struct MrzCase {
    const char* name;
    std::vector<std::string> lines;
    const char* information;
};

class MrzInformation : public ::testing::TestWithParam<MrzCase> {};

TEST_P(MrzInformation, TakesNumberAndDatesWithTheirCheckDigits) {
    EXPECT_EQ(mrzInformationFromLines(GetParam().lines), GetParam().information);
}

INSTANTIATE_TEST_SUITE_P(Table, MrzInformation, ::testing::Values(
    MrzCase{"td3", {"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<", "L898902C36UTO7408122F1204159ZE184226B<<<<<10"},
            "L898902C3674081221204159"},
    MrzCase{"td1", {"I<UTOD231458907<<<<<<<<<<<<<<<", "7408122F1204159UTO<<<<<<<<<<<6", "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"},
            "D23145890774081221204159"},
    MrzCase{"td1_long_number", {"I<UTOD23145890<7349<<<<<<<<<<<", "3407127M9507122UTO<<<<<<<<<<<2", "STEVENSON<<PETER<JOHN<<<<<<<<<"},
            "D23145890734934071279507122"},
    MrzCase{"td2", {"I<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "D231458907UTO7408122F1204159<<<<<<<6"},
            "D23145890774081221204159"},
    MrzCase{"td2_long_number", {"I<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<", "D23145890<UTO3407127M95071227349<<<8"},
            "D23145890734934071279507122"},
    MrzCase{"mrv_a", {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<", "L8988901C4XXX4009078F96121096ZE184226B<<<<<<"},
            "L8988901C440090789612109"},
    MrzCase{"mrv_b_no_continuation", {"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<", "L8988901C<XXX4009078F96121091234<<<<"},
            "L8988901C<40090789612109"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MrzInformationText, TakesLinesAsMakeBacIsGivenThem) {
    // field 1001, CR LF, field 1002, CR LF, and an empty third line
    EXPECT_EQ(mrzInformationFromText("P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\r\n"
                                     "L898902C36UTO7408122F1204159ZE184226B<<<<<10\r\n"),
              "L898902C3674081221204159");
}

TEST(MrzInformationText, RejectsOtherShapes) {
    for (const char* bad : {"", "P<UTO\r\nL898902C3", "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<\r\n"
                                                        "L898902C36UTO7408122F1204159ZE184226B<<<<<1"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(mrzInformationFromText(bad), MalformedDataError);
    }
}

} // namespace
} // namespace readerlink::chip
