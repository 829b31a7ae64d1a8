#include <gtest/gtest.h>

#include "reader/error_message.h"
#include "reader/reader_station.h"
#include "support/reader_fakes.h"

namespace readerlink::reader {
namespace {

using namespace readerlink::reader::testing;

class ConnectionStepTest : public ::testing::Test {
protected:
    Journal journal;
    Faults faults;
    FaultInjectingFactory factory{journal, faults};
    RecordingWindow window{journal, faults};
    ReaderStation station{factory, window, window, window, window};
};

const std::vector<std::string> kSuccessfulConnect = {
    "create PrApi",
    "create ImViz",
    "create PrDoc",
    "create ImRF",
    "create Img",
    "create InfraImg",
    "place Image <- Img",
    "place Infra <- InfraImg",
    "PrApi.Subscribe",
    "Img.ImgSrcParam:=Original,White",
    "Img.UpdateImage",
    "PrApi.GetSourceHandle",
    "PrApi.GetImageSource",
    "Img.Connect(1,77)",
    "InfraImg.ImgSrcParam:=Original,Infra",
    "InfraImg.UpdateImage",
    "PrApi.GetSourceHandle",
    "PrApi.GetImageSource",
    "InfraImg.Connect(1,77)",
    "PrApi.UseDeviceN(0,2)",
    "ImViz.ImgSrcParam:=2400",
    "PrDoc.GetImageSource",
    "PrDoc.GetSourceHandle",
    "ImViz.Connect(2,88)",
    "ImRF.ImgSrcParam:=4325377",
    "PrDoc.GetImageSource",
    "PrDoc.GetSourceHandle",
    "ImRF.Connect(2,88)",
    "PrApi.GetLightMask(1,0)",
    "PrApi.GetLightMask(2,0)",
    "PrApi.SetPageLight(1,3)",
    "PrApi.FreerunMode:=4",
};

TEST_F(ConnectionStepTest, RunsTheFifteenStepsInOrderAndReportsNothing) {
    station.BtnConnectClick();
    EXPECT_EQ(journal.lines, kSuccessfulConnect);
    const auto& c = station.controls();
    EXPECT_TRUE(c.prApi && c.prDoc && c.img && c.infraImg && c.imViz && c.imRF);
}

// One row of the failure table: what goes wrong, and what the journal then
// holds (in this order, other lines between them allowed) and never holds.
struct FailureCase {
    const char* name;
    std::function<void(Faults&)> inject;
    std::vector<std::string> expectedInOrder;
    std::vector<std::string> absent;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class ConnectionFailureTest : public ConnectionStepTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectionFailureTest, ReportsAndStopsWhereTheTableSays) {
    GetParam().inject(faults);
    station.BtnConnectClick();
    std::size_t at = 0;
    for (const auto& expected : GetParam().expectedInOrder) {
        while (at < journal.lines.size() && journal.lines[at] != expected)
            ++at;
        ASSERT_LT(at, journal.lines.size()) << "missing or out of order: " << expected;
        ++at;
    }
    for (const auto& line : GetParam().absent)
        EXPECT_FALSE(journal.containsPrefix(line)) << "unexpected: " << line;
}

INSTANTIATE_TEST_SUITE_P(
    FailureTable, ConnectionFailureTest,
    ::testing::Values(
        FailureCase{"ReaderClassNotRegistered",
                    [](Faults& f) { f.failingCreations = {"PrApi"}; },
                    {"create PrApi", "message: Class not Registered"},
                    {"create ImViz", "PrApi.", "place", "end application"}},
        FailureCase{"ImageClassNotRegisteredSkipsOnlyStepsOfMissingControls",
                    [](Faults& f) { f.failingCreations = {"ImViz"}; },
                    {"create ImViz", "message: Class not Registered", "PrApi.UseDeviceN(0,2)",
                     "PrApi.GetLightMask(1,0)", "PrApi.SetPageLight(1,3)", "PrApi.FreerunMode:=4"},
                    {"create PrDoc", "ImViz.", "ImRF.", "Img.", "place", "message: Connect"}},
        FailureCase{"PlacingFailsGoesOnWithStepEleven",
                    [](Faults& f) { f.placingThrows = true; },
                    {"create InfraImg", "message: Class not Registered", "PrApi.UseDeviceN(0,2)",
                     "ImViz.Connect(2,88)", "ImRF.Connect(2,88)", "PrApi.FreerunMode:=4"},
                    {"PrApi.Subscribe", "Img.Connect"}},
        FailureCase{"WhiteViewCannotBindEndsTheApplication",
                    [](Faults& f) { f.results["Img.Connect"] = 0; },
                    {"Img.Connect(1,77)", "logStatus: <connect>", "end application"},
                    {"InfraImg.ImgSrcParam", "PrApi.UseDeviceN", "message:", "PrApi.FreerunMode"}},
        FailureCase{"InfraredViewCannotBindEndsTheApplication",
                    [](Faults& f) { f.results["InfraImg.Connect"] = 0; },
                    {"InfraImg.Connect(1,77)", "logStatus: <connect>", "end application"},
                    {"PrApi.UseDeviceN", "message:", "PrApi.FreerunMode"}},
        FailureCase{"ReaderCannotBeOpened",
                    [](Faults& f) { f.results["PrApi.UseDeviceN"] = 0; },
                    {"PrApi.UseDeviceN(0,2)", "logStatus: <use device>", "message: Use Device"},
                    {"ImViz.ImgSrcParam", "PrApi.GetLightMask", "PrApi.FreerunMode", "end application"}},
        FailureCase{"ReaderOpenWhenOnlyTheHighWordIsSetCountsAsNotOpen",
                    [](Faults& f) { f.results["PrApi.UseDeviceN"] = 0x10000; },
                    {"logStatus: <use device>", "message: Use Device"},
                    {"PrApi.FreerunMode"}},
        FailureCase{"PhotoViewCannotBind",
                    [](Faults& f) { f.results["ImViz.Connect"] = 0; },
                    {"ImViz.Connect(2,88)", "message: Connect"},
                    {"ImRF.ImgSrcParam", "PrApi.GetLightMask", "PrApi.FreerunMode", "logStatus"}},
        FailureCase{"ChipFaceViewCannotBind",
                    [](Faults& f) { f.results["ImRF.Connect"] = 0; },
                    {"ImRF.Connect(2,88)", "message: RFID Error Connect"},
                    {"PrApi.GetLightMask", "PrApi.FreerunMode", "logStatus"}},
        FailureCase{"ErrorWhileBindingAPageViewReadsAsClassNotRegistered",
                    [](Faults& f) { f.throwing = {"Img.UpdateImage"}; },
                    {"Img.UpdateImage", "message: Class not Registered", "PrApi.UseDeviceN(0,2)",
                     "PrApi.FreerunMode:=4"},
                    {"Img.Connect", "InfraImg.Connect"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Errors the SDK raises outside the guarded block are the caller's to show.
TEST_F(ConnectionStepTest, SdkErrorAfterOpeningReachesTheCallerAndEndsTheStep) {
    faults.throwing = {"PrApi.SetPageLight"};
    try {
        station.BtnConnectClick();
        FAIL() << "the error must reach the default error display";
    } catch (const sdk::SdkError& e) {
        EXPECT_EQ(errorDisplayText(e.message()), u"SDK failure in PrApi.SetPageLight.");
    }
    EXPECT_FALSE(journal.contains("PrApi.FreerunMode:=4"));
    EXPECT_FALSE(journal.containsPrefix("message:"));
}

TEST_F(ConnectionStepTest, SdkErrorFromOpeningIsNotCaught) {
    faults.throwing = {"PrApi.UseDeviceN"};
    EXPECT_THROW(station.BtnConnectClick(), sdk::SdkError);
    EXPECT_FALSE(journal.containsPrefix("ImViz.ImgSrcParam"));
}

TEST_F(ConnectionStepTest, SecondConnectClosesTheOldReaderAndSubscribesTheNewOne) {
    station.BtnConnectClick();
    journal.lines.clear();
    station.BtnConnectClick();
    const std::vector<std::string> head = {"PrApi.CloseDevice", "PrApi.Unsubscribe",
                                           "remove Image", "remove Infra", "create PrApi2"};
    ASSERT_GE(journal.lines.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(journal.lines.begin(), journal.lines.begin() + head.size()), head);
    EXPECT_TRUE(journal.contains("PrApi2.Subscribe"));
    EXPECT_TRUE(journal.contains("place Image <- Img2"));
    EXPECT_TRUE(journal.contains("PrApi2.FreerunMode:=4"));
    ASSERT_EQ(factory.apis.size(), 2u);
    EXPECT_NE(factory.apis[1]->sink(), nullptr);

    journal.lines.clear();
    factory.apis[1]->sink()->OnTestDocEvent(1);
    EXPECT_EQ(window.statusBar, u"Document is moving ...");
}

TEST_F(ConnectionStepTest, SecondConnectAfterCloseFailsCreatesNothingNew) {
    station.BtnConnectClick();
    faults.throwing = {"PrApi.CloseDevice"};
    EXPECT_THROW(station.BtnConnectClick(), sdk::SdkError);
    EXPECT_FALSE(journal.contains("create PrApi2"));
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
    EXPECT_TRUE(journal.contains("PrApi.Capture"));
}

TEST(GetErrorMsg, WritesTheCodeAsEightUpperCaseHexDigitsOfTheUnsignedValue) {
    Journal journal;
    Faults faults;
    FakePrApi api("PrApi", journal, faults);
    api.errorCode = 13;
    api.errorText = u"Security status not satisfied";
    EXPECT_EQ(GetErrorMsg(api), u"Error (0000000D): Security status not satisfied");
    api.errorCode = -1;
    api.errorText = u"";
    EXPECT_EQ(GetErrorMsg(api), u"Error (FFFFFFFF): ");

    FakePrDoc doc("PrDoc", journal);
    doc.errorCode = 0x7ABCDEF0;
    doc.errorText = u"Field not present";
    EXPECT_EQ(GetErrorMsg(doc), u"Error (7ABCDEF0): Field not present");
}

} // namespace
} // namespace readerlink::reader
