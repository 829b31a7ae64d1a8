#include <turbojpeg.h>

#include <fstream>
#include <gtest/gtest.h>

#include "common/text.h"
#include "reader/reader_station.h"
#include "reader/sdk/class_ids.h"
#include "reader/virtual/error_codes.h"
#include "reader/virtual/jpeg_codec.h"
#include "reader/virtual/virtual_control_factory.h"
#include "support/manual_dispatcher.h"
#include "support/recording_window.h"

namespace readerlink::virtualreader {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ManualDispatcher;

const fs::path kSpecimens = READERLINK_SPECIMENS_DIR;
constexpr auto kGap = 250ms;

struct RecordingEvents : sdk::PrApiEvents {
    void OnPREvent(int e, int p1, int p2) override {
        seen.push_back("PREvent " + std::to_string(e) + " " + std::to_string(p1) + " " + std::to_string(p2));
    }
    void OnTestDocEvent(int status) override { seen.push_back("status " + std::to_string(status)); }
    std::vector<std::string> seen;
};

struct TempFolder {
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "readerlink-virtual-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

class VirtualReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        options.specimensFolder = kSpecimens;
        options.glassFolder = temp.path / "glass";
        options.dispatcher = &dispatcher;
        options.statusGap = kGap;
        options.diagnostics = [this](const std::u16string& line) { diagnostics.push_back(toUtf8(line)); };
    }

    void create() {
        factory = std::make_unique<VirtualControlFactory>(options);
        api = factory->CreatePrApi(sdk::kPrApiClassId);
        doc = factory->CreatePrDoc(sdk::kPrDocClassId);
        img = factory->CreateGxImage(sdk::kGxImageClassId);
        infra = factory->CreateGxImage(sdk::kGxImageClassId);
        imViz = factory->CreateGxImage(sdk::kGxImageClassId);
        imRF = factory->CreateGxImage(sdk::kGxImageClassId);
        api->Subscribe(&events);
        bind(*img, u"Original,White", api->GetImageSource(), api->GetSourceHandle());
        bind(*infra, u"Original,Infra", api->GetImageSource(), api->GetSourceHandle());
        bind(*imViz, u"2400", doc->GetImageSource(), doc->GetSourceHandle());
        bind(*imRF, u"4325377", doc->GetImageSource(), doc->GetSourceHandle());
    }

    static void bind(sdk::GxImage& view, const std::u16string& param, int source, int handle) {
        view.SetImgSrcParam(param);
        ASSERT_NE(view.Connect(source, handle), 0);
    }

    // Connected, open and in free-run mode, as after "Connect".
    void open(bool freerun = true) {
        create();
        ASSERT_TRUE(sdk::isTrue(api->UseDeviceN(0, 2)));
        if (freerun)
            api->SetFreerunMode(4);
        dispatcher.runDue();
    }

    // Copies a specimen onto the glass and lets the watcher's report through.
    void lay(const std::string& name) {
        const auto before = dispatcher.posted();
        fs::copy_file(kSpecimens / name, options.glassFolder / name, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(dispatcher.waitForPosts(before, 1)) << "the glass watcher saw nothing";
        dispatcher.runDue();
    }

    void take(const std::string& name) {
        const auto before = dispatcher.posted();
        fs::remove(options.glassFolder / name);
        ASSERT_TRUE(dispatcher.waitForPosts(before, 1)) << "the glass watcher saw nothing";
        dispatcher.runDue();
    }

    void settle() {
        dispatcher.advance(kGap);
        dispatcher.advance(kGap);
    }

    // Lays a specimen, lets it settle and captures it.
    void captureSpecimen(const std::string& name) {
        lay(name);
        settle();
        api->Capture();
        events.seen.clear();
    }

    std::u16string cardId() {
        std::u16string id;
        EXPECT_TRUE(sdk::isTrue(api->GetRfidCard(0, id)));
        EXPECT_TRUE(sdk::isTrue(api->ConnectRfidCard(id)));
        return id;
    }

    TempFolder temp;
    ManualDispatcher dispatcher;
    VirtualReaderOptions options;
    std::vector<std::string> diagnostics;
    RecordingEvents events;
    std::unique_ptr<VirtualControlFactory> factory;
    std::unique_ptr<sdk::PrApi> api;
    std::unique_ptr<sdk::PrDoc> doc;
    std::unique_ptr<sdk::GxImage> img, infra, imViz, imRF;
};

using Events = std::vector<std::string>;

TEST_F(VirtualReaderTest, ASpecimenLandingRaisesMovingStoppedReadyAGapApart) {
    open();
    lay("td3-passport.json");
    EXPECT_EQ(events.seen, Events{"status 1"});
    dispatcher.advance(kGap - 1ms);
    EXPECT_EQ(events.seen, Events{"status 1"});
    dispatcher.advance(1ms);
    EXPECT_EQ(events.seen, (Events{"status 1", "status 2"}));
    dispatcher.advance(kGap);
    EXPECT_EQ(events.seen, (Events{"status 1", "status 2", "status 4"}));
    EXPECT_TRUE(diagnostics.empty());
}

TEST_F(VirtualReaderTest, RemovingTheSpecimenRaisesNoDocument) {
    open();
    lay("td3-passport.json");
    settle();
    events.seen.clear();
    take("td3-passport.json");
    EXPECT_EQ(events.seen, Events{"status 0"});
}

TEST_F(VirtualReaderTest, RemovalBeforeTheDocumentSettledCancelsTheRest) {
    open();
    lay("td3-passport.json");
    take("td3-passport.json");
    settle();
    EXPECT_EQ(events.seen, (Events{"status 1", "status 0"}));
}

TEST_F(VirtualReaderTest, RemovingTheTopDocumentSettlesTheOneBelow) {
    open();
    lay("td3-passport.json");
    settle();
    lay("mrva-visa.json");
    settle();
    events.seen.clear();
    take("mrva-visa.json");
    settle();
    EXPECT_EQ(events.seen, (Events{"status 1", "status 2", "status 4"}));
    api->Capture();
    ASSERT_NE(doc->Document(), -1);
    doc->SetDocument(api->Recognize(0));
    EXPECT_EQ(doc->Field(1001).substr(0, 1), u"P");
}

TEST_F(VirtualReaderTest, ASpecimenLaidBeforeFreeRunIsSeenWhenFreeRunStarts) {
    fs::create_directories(options.glassFolder);
    fs::copy_file(kSpecimens / "td1-id-card.json", options.glassFolder / "td1-id-card.json");
    open(false);
    EXPECT_TRUE(events.seen.empty());
    api->SetFreerunMode(4);
    dispatcher.runDue();
    settle();
    EXPECT_EQ(events.seen, (Events{"status 1", "status 2", "status 4"}));
}

TEST_F(VirtualReaderTest, WithoutFreeRunNoEventsButTheDocumentIsStillRead) {
    open(false);
    lay("td3-passport.json");
    settle();
    EXPECT_TRUE(events.seen.empty());
    api->Capture();
    doc->SetDocument(api->Recognize(0));
    EXPECT_TRUE(sdk::isTrue(doc->Valid()));
}

TEST_F(VirtualReaderTest, FilesThatAreNoSpecimensAreIgnoredAndBadOnesReported) {
    open();
    {
        // Each file is reported once it is closed: wait for both reports.
        const auto before = dispatcher.posted();
        std::ofstream(options.glassFolder / "notes.txt") << "hello";
        std::ofstream(options.glassFolder / "broken.json") << "{ not json";
        ASSERT_TRUE(dispatcher.waitForPosts(before, 2));
    }
    dispatcher.runDue();
    settle();
    EXPECT_TRUE(events.seen.empty());
    ASSERT_EQ(diagnostics.size(), 1u);
    EXPECT_NE(diagnostics[0].find("broken.json"), std::string::npos);
}

TEST_F(VirtualReaderTest, CaptureRaisesTheCaptureEventsAndFillsThePageViews) {
    open();
    int changes = 0;
    img->SetChangedHandler([&] { ++changes; });
    lay("td3-passport.json");
    settle();
    events.seen.clear();
    api->Capture();
    EXPECT_EQ(events.seen,
              (Events{"PREvent 103 0 7", "PREvent 102 1 0", "PREvent 102 2 0", "PREvent 101 0 7"}));
    EXPECT_EQ(img->XSize(), 640);
    EXPECT_EQ(infra->XSize(), 640);
    EXPECT_EQ(img->Picture().height, 448);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(imViz->XSize(), 0) << "document views change only on UpdateImage";
}

TEST_F(VirtualReaderTest, OnlyTheSelectedLightsAreCaptured) {
    open();
    int lights = api->GetLightMask(1, 0);
    ASSERT_EQ(api->SetPageLight(1, lights), 0);
    captureSpecimen("td3-passport.json");
    EXPECT_GT(img->XSize(), 0);
    EXPECT_EQ(infra->XSize(), 0);
    EXPECT_EQ(api->GetMrz(0, api->LightListItem(1), 0), 0) << "the MRZ light was off";
    EXPECT_EQ(api->GetErrorCode(), kNoMrz);
}

TEST_F(VirtualReaderTest, SaveImageWritesAJpegOfThePictureSize) {
    open();
    captureSpecimen("td1-id-card.json");
    const fs::path file = temp.path / "page.jpg";
    ASSERT_EQ(img->SaveImage(fromUtf8((file).string()), 2), 1);
    const auto bytes = readFileBytes(file);
    ASSERT_TRUE(bytes);
    JpegCodec codec;
    const auto decoded = codec.decode(*bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width, 540);
    EXPECT_EQ(decoded->height, 340);
    for (const auto& entry : fs::directory_iterator(temp.path))
        EXPECT_EQ(entry.path().filename().string().find(".page.jpg"), std::string::npos)
            << "temporary file left: " << entry.path();
}

TEST_F(VirtualReaderTest, SaveImageRefusesEmptyViewsOtherTypesAndUnwritablePaths) {
    open();
    captureSpecimen("td1-id-card.json");
    EXPECT_EQ(img->SaveImage(fromUtf8((temp.path / "bmp.jpg").string()), 1), 0);
    EXPECT_EQ(img->SaveImage(fromUtf8((temp.path / "missing" / "page.jpg").string()), 2), 0);
    img->ClearImage();
    EXPECT_EQ(img->XSize(), 0);
    EXPECT_EQ(img->SaveImage(fromUtf8((temp.path / "empty.jpg").string()), 2), 0);
    EXPECT_FALSE(fs::exists(temp.path / "bmp.jpg"));
    EXPECT_FALSE(fs::exists(temp.path / "empty.jpg"));
}

struct RecognitionCase {
    const char* specimen;
    int line2Status;
    const char* documentType;
    const char* surname;
    const char* documentNumber;
};

void PrintTo(const RecognitionCase& c, std::ostream* os) { *os << c.specimen; }

class RecognitionTest : public VirtualReaderTest, public ::testing::WithParamInterface<RecognitionCase> {};

TEST_P(RecognitionTest, RecognizeAndGetMrzReportTheLineStatusAndFields) {
    open();
    captureSpecimen(GetParam().specimen);
    doc->SetDocument(api->Recognize(0));
    ASSERT_TRUE(sdk::isTrue(doc->Valid()));
    EXPECT_EQ(doc->FieldStatus(1002), GetParam().line2Status);
    EXPECT_EQ(toUtf8(doc->Field(10102)), GetParam().documentType);
    EXPECT_EQ(toUtf8(doc->Field(2113)), GetParam().surname);
    EXPECT_EQ(toUtf8(doc->Field(2120)), GetParam().documentNumber);

    doc->SetDocument(api->GetMrz(0, api->LightListItem(1), 0));
    ASSERT_TRUE(sdk::isTrue(doc->Valid()));
    EXPECT_EQ(doc->FieldStatus(1002), GetParam().line2Status);
    EXPECT_FALSE(doc->Field(1001).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Specimens, RecognitionTest,
    ::testing::Values(RecognitionCase{"td3-passport-chip.json", 0, "P", "ERIKSSON", "L898902C3"},
                      RecognitionCase{"td3-passport.json", 0, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"td3-checksum-error.json", 203, "P", "ERIKSSON", "L898902C3"},
                      RecognitionCase{"td3-illegal-char.json", 201, "P", "STEVENSON", "X4RTBPFw4"},
                      RecognitionCase{"mrva-visa.json", 0, "V", "ERIKSSON", "L8988901C"},
                      RecognitionCase{"td1-id-card.json", 0, "I", "ERIKSSON", "D23145890"},
                      RecognitionCase{"td1-long-number.json", 0, "I", "SMITH", "D23145890123"},
                      RecognitionCase{"forced-warning-100.json", 100, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-warning-101.json", 101, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-warning-102.json", 102, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-error-200.json", 200, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-error-201.json", 201, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-error-202.json", 202, "P", "STEVENSON", "X4RTBPFW4"},
                      RecognitionCase{"forced-status-150.json", 150, "P", "STEVENSON", "X4RTBPFW4"}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.specimen))
            if (std::isalnum(static_cast<unsigned char>(c)))
                name.push_back(c);
        return name;
    });

TEST_F(VirtualReaderTest, RecognizeCutsThePortraitForThePhotoView) {
    open();
    captureSpecimen("td3-passport.json");
    doc->SetDocument(api->Recognize(0));
    EXPECT_EQ(imViz->UpdateImage(), 1);
    EXPECT_EQ(imViz->XSize(), 150);
    EXPECT_EQ(imViz->Picture().height, 190);
}

TEST_F(VirtualReaderTest, ADocumentWithoutReadableMrzHasDataButNoMrz) {
    open();
    captureSpecimen("no-mrz.json");
    doc->SetDocument(api->Recognize(0));
    EXPECT_TRUE(sdk::isTrue(doc->Valid()));
    EXPECT_EQ(doc->FieldStatus(1002), 0);
    EXPECT_EQ(doc->Field(1002), u"");
    doc->SetDocument(api->GetMrz(0, 2, 0));
    EXPECT_FALSE(sdk::isTrue(doc->Valid()));
    EXPECT_EQ(api->GetErrorCode(), kNoMrz);
}

// Specimen files are UTF-8: a letter outside ASCII arrives as that letter,
// not as one unit per byte.
TEST_F(VirtualReaderTest, SpecimenTextIsReadAsUtf8) {
    open();
    const auto before = dispatcher.posted();
    std::ofstream(options.glassFolder / "accents.json")
        << R"({"mrz": ["P<UTOMÜLLER<<ZOË", "L898902C36UTO7408122F1204159ZE184226B<<<<<10"]})";
    ASSERT_TRUE(dispatcher.waitForPosts(before, 1)) << "the glass watcher saw nothing";
    dispatcher.runDue();
    settle();
    api->Capture();
    doc->SetDocument(api->Recognize(0));
    EXPECT_EQ(doc->Field(1001), u"P<UTOMÜLLER<<ZOË");
}

TEST_F(VirtualReaderTest, AnEmptyGlassGivesNoData) {
    open();
    api->Capture();
    EXPECT_GT(img->XSize(), 0) << "the camera still sees the empty glass";
    doc->SetDocument(api->Recognize(0));
    EXPECT_FALSE(sdk::isTrue(doc->Valid()));
}

TEST_F(VirtualReaderTest, GetMrzFindsNothingForTheForcedNumberOfCalls) {
    open();
    captureSpecimen("mrz-unreadable-twice.json");
    EXPECT_EQ(api->GetMrz(0, 2, 0), 0);
    EXPECT_EQ(api->GetMrz(0, 2, 0), 0);
    doc->SetDocument(api->GetMrz(0, 2, 0));
    EXPECT_TRUE(sdk::isTrue(doc->Valid()));
}

TEST_F(VirtualReaderTest, ASpecimenWithoutChipReportsNone) {
    open();
    captureSpecimen("td3-passport.json");
    EXPECT_EQ(api->GetRfidCardList(), 0);
    std::u16string id;
    EXPECT_FALSE(sdk::isTrue(api->GetRfidCard(0, id)));
    EXPECT_EQ(api->GetErrorCode(), kNoChip);
}

std::u16string printedLines(sdk::PrApi& api, sdk::PrDoc& doc) {
    doc.SetDocument(api.GetMrz(0, 2, 0));
    return doc.Field(1001) + u"\r\n" + doc.Field(1002) + u"\r\n" + doc.Field(1003);
}

TEST_F(VirtualReaderTest, AProtectedChipOpensWithTheRightMrzAndResolvesItsFiles) {
    open();
    captureSpecimen("td3-passport-chip.json");
    ASSERT_EQ(api->GetRfidCardList(), 1);
    const auto id = cardId();

    sdk::Variant data;
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    EXPECT_EQ(api->GetErrorCode(), kSecurityStatusNotSatisfied);
    doc->SetDocument(api->ResolveRfidData(data));
    EXPECT_EQ(api->GetErrorCode(), 13) << "resolving leaves the reader's last error alone";

    std::u16string wrong = u"P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<\r\n"
                           u"X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52\r\n";
    EXPECT_FALSE(sdk::isTrue(api->MakeBAC(id, wrong)));
    EXPECT_EQ(api->GetErrorCode(), kBacFailed);

    auto lines = printedLines(*api, *doc);
    ASSERT_TRUE(sdk::isTrue(api->MakeBAC(id, lines)));

    ASSERT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    doc->SetDocument(api->ResolveRfidData(data));
    sdk::Variant mask;
    ASSERT_TRUE(sdk::isTrue(doc->FieldProperty(4195303, 2, mask)));
    EXPECT_EQ(mask.integer, 0b111);

    ASSERT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 1, data)));
    doc->SetDocument(api->ResolveRfidData(data));
    EXPECT_EQ(doc->Field(4259840), u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                                   u"L898902C36UTO7408122F1204159ZE184226B<<<<<10");
    std::u16string chipMrz = doc->Field(4259840);
    doc->SetDocument(api->ResolveMrzText(chipMrz));
    EXPECT_EQ(doc->Field(1002), u"L898902C36UTO7408122F1204159ZE184226B<<<<<10");

    ASSERT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 2, data)));
    doc->SetDocument(api->ResolveRfidData(data));
    EXPECT_EQ(imRF->UpdateImage(), 1);
    EXPECT_EQ(imRF->XSize(), 120);

    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 3, data)));
    EXPECT_EQ(api->GetErrorCode(), kFileNotFound);
    EXPECT_TRUE(sdk::isTrue(api->DisconnectRfidCard(id)));
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 1, data)));
}

TEST_F(VirtualReaderTest, ANewConnectionForgetsAnEarlierBac) {
    open();
    captureSpecimen("td3-passport-chip.json");
    const auto id = cardId();
    auto lines = printedLines(*api, *doc);
    ASSERT_TRUE(sdk::isTrue(api->MakeBAC(id, lines)));
    ASSERT_TRUE(sdk::isTrue(api->DisconnectRfidCard(id)));
    ASSERT_TRUE(sdk::isTrue(api->ConnectRfidCard(id)));
    sdk::Variant data;
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    EXPECT_EQ(api->GetErrorCode(), 13);
}

TEST_F(VirtualReaderTest, AnOpenChipReadsFileZeroAtOnce) {
    open();
    captureSpecimen("td3-chip-open.json");
    const auto id = cardId();
    sdk::Variant data;
    EXPECT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    EXPECT_EQ(api->GetErrorCode(), 0);
}

TEST_F(VirtualReaderTest, AChipPersonalisedWithAnotherMrzRefusesThePrintedOne) {
    open();
    captureSpecimen("td3-chip-bac-mismatch.json");
    const auto id = cardId();
    auto lines = printedLines(*api, *doc);
    EXPECT_FALSE(sdk::isTrue(api->MakeBAC(id, lines)));
    EXPECT_EQ(api->GetErrorCode(), kBacFailed);
}

TEST_F(VirtualReaderTest, AChipDeclaringOnlyTheFaceHasNoMrzFile) {
    open();
    captureSpecimen("td3-chip-face-only.json");
    const auto id = cardId();
    auto lines = printedLines(*api, *doc);
    ASSERT_TRUE(sdk::isTrue(api->MakeBAC(id, lines)));
    sdk::Variant data;
    ASSERT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    doc->SetDocument(api->ResolveRfidData(data));
    sdk::Variant mask;
    ASSERT_TRUE(sdk::isTrue(doc->FieldProperty(4195303, 2, mask)));
    EXPECT_EQ(mask.integer, 0b101);
}

TEST_F(VirtualReaderTest, AJpeg2000FaceShowsInImRFAndSavesAsJpeg) {
    open();
    captureSpecimen("td3-chip-jpeg2000-face.json");
    const auto id = cardId();
    auto lines = printedLines(*api, *doc);
    ASSERT_TRUE(sdk::isTrue(api->MakeBAC(id, lines)));
    sdk::Variant data;
    ASSERT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 2, data)));
    ASSERT_EQ(data.bytes[0], 0x75);
    doc->SetDocument(api->ResolveRfidData(data));
    ASSERT_TRUE(sdk::isTrue(doc->Valid()));
    EXPECT_EQ(imRF->UpdateImage(), 1);
    EXPECT_EQ(imRF->XSize(), 120);

    const auto file = temp.path / "face.jpg";
    ASSERT_EQ(imRF->SaveImage(fromUtf8(file.string()), 2), 1);
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> jpeg((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(jpeg.size(), 3u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8) << "saved as JPEG, not the chip's JPEG 2000";
}

TEST_F(VirtualReaderTest, InsideTheSecuredSessionAMissingFileIsRefusedAndTheSessionGoesOn) {
    open();
    captureSpecimen("td3-passport-chip.json");
    const auto id = cardId();
    auto lines = printedLines(*api, *doc);
    ASSERT_TRUE(sdk::isTrue(api->MakeBAC(id, lines)));
    sdk::Variant data;
    // A file the chip does not hold is refused inside the secured session,
    // which goes on.
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 5, data)));
    EXPECT_EQ(api->GetErrorCode(), kFileNotFound);
    EXPECT_TRUE(sdk::isTrue(api->GetRfidFileB(id, 1, data)));
    // File ids the station numbers but the chip cannot address.
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 31, data)));
    EXPECT_EQ(api->GetErrorCode(), kFileNotFound);
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 32, data)));
    EXPECT_EQ(api->GetErrorCode(), kBadArgument);
}

TEST_F(VirtualReaderTest, AForcedFaultThrowsFromTheNamedCallOnce) {
    open();
    captureSpecimen("td3-chip-read-throws.json");
    const auto id = cardId();
    sdk::Variant data;
    EXPECT_THROW(api->GetRfidFileB(id, 0, data), sdk::SdkError);
    EXPECT_EQ(api->GetErrorCode(), kForcedFault);
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
    EXPECT_EQ(api->GetErrorCode(), 13);
}

TEST_F(VirtualReaderTest, TheCardLeavesTheFieldWithItsDocument) {
    open();
    captureSpecimen("td3-passport-chip.json");
    const auto id = cardId();
    take("td3-passport-chip.json");
    sdk::Variant data;
    EXPECT_FALSE(sdk::isTrue(api->GetRfidFileB(id, 0, data)));
}

TEST_F(VirtualReaderTest, TheDeviceMustBeOpenAndDeviceZero) {
    create();
    EXPECT_EQ(api->Capture(), kDeviceNotOpen);
    EXPECT_EQ(api->GetErrorCode(), kDeviceNotOpen);
    EXPECT_FALSE(sdk::isTrue(api->UseDeviceN(1, 2)));
    EXPECT_EQ(api->GetErrorCode(), kNoSuchDevice);
}

TEST_F(VirtualReaderTest, AGlassFolderThatCannotBeMadeKeepsTheReaderClosed) {
    std::ofstream(temp.path / "file") << "x";
    options.glassFolder = temp.path / "file" / "glass";
    create();
    EXPECT_FALSE(sdk::isTrue(api->UseDeviceN(0, 2)));
    EXPECT_EQ(api->GetErrorCode(), kGlassFolderUnavailable);
}

TEST_F(VirtualReaderTest, RemovingTheGlassFolderEmptiesTheGlass) {
    open();
    lay("td3-passport.json");
    settle();
    events.seen.clear();
    const auto before = dispatcher.posted();
    fs::remove_all(options.glassFolder);
    ASSERT_TRUE(dispatcher.waitForPosts(before, 2));
    dispatcher.runDue();
    EXPECT_EQ(events.seen, Events{"status 0"});
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_NE(diagnostics.back().find("glass folder is gone"), std::string::npos);
}

TEST_F(VirtualReaderTest, NoEventAfterTheReaderIsClosedOrDestroyed) {
    open();
    lay("td3-passport.json");
    api->CloseDevice();
    settle();
    EXPECT_EQ(events.seen, Events{"status 1"});

    events.seen.clear();
    ASSERT_TRUE(sdk::isTrue(api->UseDeviceN(0, 2))); // the document still lies there
    dispatcher.runDue();
    EXPECT_EQ(events.seen, Events{"status 1"});
    api.reset();
    settle();
    EXPECT_EQ(events.seen, Events{"status 1"});
}

TEST(VirtualControlFactory, ProvidesOnlyTheSdkClassIdsIgnoringCase) {
    ManualDispatcher dispatcher;
    VirtualReaderOptions options;
    options.dispatcher = &dispatcher;
    VirtualControlFactory factory(options);
    EXPECT_THROW(factory.CreatePrApi(sdk::kGxImageClassId), sdk::ClassNotRegistered);
    EXPECT_THROW(factory.CreateGxImage(u"{00000000-0000-0000-0000-000000000000}"), sdk::ClassNotRegistered);
    EXPECT_NE(factory.CreatePrDoc(u"{8a458222-eb58-4277-967f-27fac179e21c}"), nullptr);
}

// The whole road: "Connect" through the station, a specimen dropped on the
// glass, the read run at "Ready to capture ...".
TEST_F(VirtualReaderTest, TheStationReadsADocumentLaidOnTheGlass) {
    create(); // only for the folders; the station makes its own controls
    api.reset();
    reader::testing::Journal journal;
    reader::testing::RecordingWindow window(journal);
    VirtualControlFactory stationFactory(options);
    reader::ReaderStation station(stationFactory, window, window, window, window);
    int reads = 0;
    station.setReadWorkflow([&] {
        ++reads;
        station.controls().prApi->Capture();
    });
    station.BtnConnectClick();
    EXPECT_FALSE(reader::testing::containsPrefix(journal, "message:"));
    EXPECT_FALSE(reader::testing::containsPrefix(journal, "log"));
    lay("td3-passport.json");
    settle();
    EXPECT_EQ(window.statusBar, u"Ready to capture ...");
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(reader::testing::contains(journal, "log: <Capture>"));
    EXPECT_TRUE(reader::testing::contains(journal, "log: Image captured: param1 = 1, param2 = 0"));
    ASSERT_NE(window.placed[0], nullptr);
    EXPECT_EQ(window.placed[0]->XSize(), 640);
}

} // namespace
} // namespace readerlink::virtualreader
