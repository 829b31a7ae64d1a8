#include "reader/error_message.h"
#include "support/reader_station_fixture.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace readerlink::reader {
namespace {

using namespace readerlink::reader::testing;

using ConnectionStepTest = ReaderStationTest;

const std::vector<std::string> kSuccessfulConnect = {
    "create PrApi",
    "create ImViz",
    "create PrDoc",
    "create ImRF",
    "create Img",
    "create InfraImg",
    "place Image",
    "place Infra",
    "Subscribe",
    "ImgSrcParam Img Original,White",
    "UpdateImage Img",
    "GetSourceHandle",
    "GetImageSource",
    "Connect Img 1 77",
    "ImgSrcParam InfraImg Original,Infra",
    "UpdateImage InfraImg",
    "GetSourceHandle",
    "GetImageSource",
    "Connect InfraImg 1 77",
    "UseDeviceN 0 2",
    "ImgSrcParam ImViz 2400",
    "PrDoc GetImageSource",
    "PrDoc GetSourceHandle",
    "Connect ImViz 2 88",
    "ImgSrcParam ImRF 4325377",
    "PrDoc GetImageSource",
    "PrDoc GetSourceHandle",
    "Connect ImRF 2 88",
    "GetLightMask 1 0",
    "GetLightMask 2 0",
    "SetPageLight 1 3",
    "FreerunMode 4",
};

TEST_F(ConnectionStepTest, RunsEveryStepInOrderAndReportsNothing) {
    station.BtnConnectClick();
    EXPECT_EQ(journal, kSuccessfulConnect);
    const auto& c = station.controls();
    EXPECT_TRUE(c.prApi && c.prDoc && c.img && c.infraImg && c.imViz && c.imRF);
    EXPECT_EQ(window.placed[0], c.img.get());
    EXPECT_EQ(window.placed[1], c.infraImg.get());
}

// One row of the failure table: what goes wrong, and what the journal then
// holds (in this order, other lines between them allowed) and never holds.
struct FailureCase {
    const char* name;
    std::optional<Fault> fault;             // from the decorator
    std::set<std::string> refusedCreations; // from the decorator
    sdk::SdkBool useDevice = sdk::kSdkTrue; // the fake reader's answer
    bool placingThrows = false;             // the window's
    std::vector<std::string> expectedInOrder;
    std::vector<std::string> absent;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ConnectionFailureTest : public ConnectionStepTest,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectionFailureTest, ReportsAndStopsWhereTheTableSays) {
    const FailureCase& c = GetParam();
    faults.arm(c.fault, 0);
    faults.refusedCreations = c.refusedCreations;
    reader.useDeviceResult = c.useDevice;
    window.placingThrows = c.placingThrows;
    station.BtnConnectClick();
    std::size_t at = 0;
    for (const auto& expected : c.expectedInOrder) {
        while (at < journal.size() && journal[at] != expected)
            ++at;
        ASSERT_LT(at, journal.size()) << "missing or out of order: " << expected;
        ++at;
    }
    for (const auto& line : c.absent)
        EXPECT_FALSE(containsPrefix(journal, line)) << "unexpected: " << line;
}

Fault failing(const std::string& call) {
    return Fault{call, 1, FaultKind::Fail};
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, ConnectionFailureTest,
    ::testing::Values(
        FailureCase{"ReaderClassNotRegistered",
                    {},
                    {"PrApi"},
                    sdk::kSdkTrue,
                    false,
                    {"message: Class not Registered"},
                    {"create", "Subscribe", "UseDeviceN", "place", "end application"}},
        FailureCase{"ImageClassNotRegisteredSkipsOnlyStepsOfMissingControls",
                    {},
                    {"ImViz"},
                    sdk::kSdkTrue,
                    false,
                    {"create PrApi", "message: Class not Registered", "UseDeviceN 0 2",
                     "GetLightMask 1 0", "SetPageLight 1 3", "FreerunMode 4"},
                    {"create PrDoc", "ImgSrcParam", "UpdateImage", "Connect ", "place",
                     "message: Connect"}},
        FailureCase{"PlacingFailsGoesOnWithOpeningTheReader",
                    {},
                    {},
                    sdk::kSdkTrue,
                    true,
                    {"create InfraImg", "message: Class not Registered", "UseDeviceN 0 2",
                     "Connect ImViz 2 88", "Connect ImRF 2 88", "FreerunMode 4"},
                    {"Subscribe", "Connect Img ", "Connect InfraImg"}},
        FailureCase{
            "WhiteViewCannotBindEndsTheApplication",
            failing("Img.Connect"),
            {},
            sdk::kSdkTrue,
            false,
            {"UpdateImage Img", "GetImageSource", "logStatus: <connect>", "end application"},
            {"ImgSrcParam InfraImg", "UseDeviceN", "message:", "FreerunMode"}},
        FailureCase{"InfraredViewCannotBindEndsTheApplication",
                    failing("InfraImg.Connect"),
                    {},
                    sdk::kSdkTrue,
                    false,
                    {"UpdateImage InfraImg", "logStatus: <connect>", "end application"},
                    {"UseDeviceN", "message:", "FreerunMode"}},
        FailureCase{"ReaderCannotBeOpened",
                    {},
                    {},
                    sdk::kSdkFalse,
                    false,
                    {"UseDeviceN 0 2", "logStatus: <use device>", "message: Use Device"},
                    {"ImgSrcParam ImViz", "GetLightMask", "FreerunMode", "end application"}},
        FailureCase{"ReaderOpenWhenOnlyTheHighWordIsSetCountsAsNotOpen",
                    {},
                    {},
                    0x10000,
                    false,
                    {"logStatus: <use device>", "message: Use Device"},
                    {"FreerunMode"}},
        FailureCase{"PhotoViewCannotBind",
                    failing("ImViz.Connect"),
                    {},
                    sdk::kSdkTrue,
                    false,
                    {"ImgSrcParam ImViz 2400", "message: Connect"},
                    {"ImgSrcParam ImRF", "GetLightMask", "FreerunMode", "logStatus"}},
        FailureCase{"ChipFaceViewCannotBind",
                    failing("ImRF.Connect"),
                    {},
                    sdk::kSdkTrue,
                    false,
                    {"ImgSrcParam ImRF 4325377", "message: RFID Error Connect"},
                    {"GetLightMask", "FreerunMode", "logStatus"}},
        FailureCase{"ErrorWhileBindingAPageViewReadsAsClassNotRegistered",
                    Fault{"Img.UpdateImage", 1, FaultKind::Throw},
                    {},
                    sdk::kSdkTrue,
                    false,
                    {"ImgSrcParam Img Original,White", "message: Class not Registered",
                     "UseDeviceN 0 2", "FreerunMode 4"},
                    {"Connect Img ", "Connect InfraImg"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Errors the SDK raises outside the guarded block are the caller's to show.
TEST_F(ConnectionStepTest, SdkErrorAfterOpeningReachesTheCallerAndEndsTheStep) {
    inject("PrApi.SetPageLight", FaultKind::Throw);
    try {
        station.BtnConnectClick();
        FAIL() << "the error must reach the default error display";
    } catch (const sdk::SdkError& e) {
        EXPECT_EQ(errorDisplayText(e.message()), u"Injected fault in PrApi.SetPageLight.");
    }
    EXPECT_FALSE(contains(journal, "FreerunMode 4"));
    EXPECT_FALSE(containsPrefix(journal, "message:"));
}

TEST_F(ConnectionStepTest, SdkErrorFromOpeningIsNotCaught) {
    inject("PrApi.UseDeviceN", FaultKind::Throw);
    EXPECT_THROW(station.BtnConnectClick(), sdk::SdkError);
    EXPECT_FALSE(containsPrefix(journal, "ImgSrcParam ImViz"));
}

TEST_F(ConnectionStepTest, SecondConnectClosesTheOldReaderAndSubscribesTheNewOne) {
    station.BtnConnectClick();
    journal.clear();
    station.BtnConnectClick();
    const std::vector<std::string> head = {"CloseDevice", "Unsubscribe", "remove Image",
                                           "remove Infra", "create PrApi"};
    ASSERT_GE(journal.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + head.size()), head);
    EXPECT_TRUE(contains(journal, "Subscribe"));
    EXPECT_TRUE(contains(journal, "FreerunMode 4"));
    EXPECT_EQ(window.placed[0], station.controls().img.get());
    ASSERT_NE(reader.sink, nullptr);

    journal.clear();
    reader.sink->OnTestDocEvent(1);
    EXPECT_EQ(window.statusBar, u"Document is moving ...");
}

TEST_F(ConnectionStepTest, SecondConnectAfterCloseFailsCreatesNothingNew) {
    station.BtnConnectClick();
    journal.clear();
    inject("PrApi.CloseDevice", FaultKind::Throw);
    EXPECT_THROW(station.BtnConnectClick(), sdk::SdkError);
    EXPECT_FALSE(containsPrefix(journal, "create"));
}

TEST_F(ConnectionStepTest, ReplacedControlsOutliveARunningRead) {
    station.BtnConnectClick();
    sdk::PrApi* during = nullptr;
    station.setReadWorkflow([&] {
        sdk::PrApi* outer = station.controls().prApi.get();
        station.BtnConnectClick(); // the operator clicks "Connect" while the read lets messages run
        during = station.controls().prApi.get();
        outer->Capture(); // the old control is still alive for the outer read
    });
    station.BtnTriggerClick();
    EXPECT_NE(during, nullptr);
    EXPECT_TRUE(contains(journal, "Capture"));
}

TEST(GetErrorMsg, WritesTheCodeAsEightUpperCaseHexDigitsOfTheUnsignedValue) {
    fake::FakeReader reader;
    const auto controls = reader.makeControls();
    reader.errorCode = 13;
    reader.errorTexts[13] = u"Security status not satisfied";
    EXPECT_EQ(GetErrorMsg(*controls.prApi), u"Error (0000000D): Security status not satisfied");
    reader.errorCode = -1;
    reader.errorTexts[-1] = u"";
    EXPECT_EQ(GetErrorMsg(*controls.prApi), u"Error (FFFFFFFF): ");

    reader.docErrorCode = 0x7ABCDEF0;
    reader.docErrorText = u"Field not present";
    EXPECT_EQ(GetErrorMsg(*controls.prDoc), u"Error (7ABCDEF0): Field not present");
}

} // namespace
} // namespace readerlink::reader
