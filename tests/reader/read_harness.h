#pragma once

// A station around the read workflow: a window that records what it is told,
// a log, a message loop, a recording delivery, a fixed clock and a converter
// that records its launches, over the scripted fake reader and a fresh
// picture folder.

#include "common/activity_log.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "reader/converter_launcher.h"
#include "reader/image_archive.h"
#include "reader/local_clock.h"
#include "reader/read_workflow.h"
#include "support/fake_sdk.h"
#include "support/faulty_controls.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace readerlink::fake {

class Station final : public reader::ReaderWindow, public ActivityLog, public MessageLoop {
public:
    std::u16string statusBar = u"Ready to capture ...";
    std::u16string errorLabel = u"Error";
    LabelColour errorColour = LabelColour::Red;
    int app = 0;
    std::u16string folder;
    bool passport = false;
    std::vector<std::string> logLines;
    std::u16string statusLabel;
    int pumps = 0;
    std::function<void()> onPump;

    std::u16string statusBarText() const override { return statusBar; }
    void setStatusBarText(std::u16string_view text) override { statusBar = text; }
    void setStatusLabel(std::u16string_view text) override { statusLabel = text; }
    void placeImageView(reader::ImagePage, sdk::GxImage&) override {}
    void removeImageView(reader::ImagePage) override {}
    void endApplication() override {}
    void setErrorLabel(std::u16string_view text, LabelColour colour) override {
        errorLabel = text;
        errorColour = colour;
    }
    int targetApplication() const override { return app; }
    std::u16string pictureFolder() const override { return folder; }
    bool isPassport() const override { return passport; }
    void setIsPassport(bool value) override { passport = value; }

    void log(std::u16string_view line) override { logLines.push_back(toUtf8(line)); }
    void logStatus(std::u16string_view line) override {
        logLines.push_back(toUtf8(line));
        statusLabel = line;
    }

    void processMessages() override {
        ++pumps;
        if (onPump)
            onPump();
    }
};

class FixedClock final : public reader::LocalClock {
public:
    reader::LocalDateTime time{2021, 2, 10, 11, 20, 27, 0};
    std::u16string separator = u".";
    reader::LocalDateTime now() override { return time; }
    std::u16string decimalSeparator() override { return separator; }
};

class RecordingConverter final : public reader::ConverterLauncher {
public:
    std::vector<std::string> launched;
    reader::ConverterLauncher* forwardTo = nullptr;
    bool launchConverter(const std::u16string& imagePath) override {
        launched.push_back(toUtf8(imagePath));
        return forwardTo == nullptr || forwardTo->launchConverter(imagePath);
    }
};

// A folder of its own for each test, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    // Every file below it, relative and sorted.
    std::vector<std::string> files() const;

private:
    std::string path_;
};

// The ICAO specimens the read tests lay on the glass.
namespace specimen {
inline const std::u16string kPassportLine1 = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
inline const std::u16string kPassportLine2 = u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";
inline const std::u16string kVisaLine1 = u"V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
inline const std::u16string kVisaLine2 = u"L8988901C4XXX4009078F96121096ZE184226B<<<<<<";
} // namespace specimen

// Document handles of the script.
constexpr sdk::DocHandle kPageDoc = 10;
constexpr sdk::DocHandle kPageMrzDoc = 11;
constexpr sdk::DocHandle kChipComDoc = 20;
constexpr sdk::DocHandle kChipDg1Doc = 21;
constexpr sdk::DocHandle kChipDg2Doc = 22;
constexpr sdk::DocHandle kChipMrzDoc = 23;

class ReadTest : public ::testing::Test {
protected:
    ReadTest();

    // The page as the reader recognises it (Recognize) and its MRZ (GetMrz).
    void layPage(const std::u16string& line1, const std::u16string& line2, int status = 0,
                 std::map<int, std::u16string> recordFields = {});
    // A chip holding EF.COM with the given file mask, DG1 with chipMrz and a
    // face image in DG2; its keys come from the page MRZ.
    void addChip(const std::u16string& chipMrz, std::int64_t mask = 0b111);

    void read() { workflow.ARH_CaptureAndRead(); }
    // The `occurrence`th call of that name ("PrApi.Recognize") throws an SDK error.
    void throwAt(const std::string& call, int occurrence) {
        faults.arm(reader::testing::Fault{call, occurrence, reader::testing::FaultKind::Throw}, 0);
    }

    std::string P() const { return folder.path(); }
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
    std::vector<std::string> logFrom(const std::string& firstLine) const;

    TempFolder folder;
    FakeReader reader;
    std::unique_ptr<sdk::ControlFactory> readerFactory = reader.makeFactory();
    // Armed by a test to make one SDK call fail or throw.
    reader::testing::FaultPlan faults;
    std::unique_ptr<sdk::ControlFactory> factory =
        reader::testing::makeFaultInjectingFactory(*readerFactory, faults);
    sdk::ReaderControls controls;
    Station station;
    std::u16string scanData;
    std::vector<std::string> deliveries;
    reader::ReadContext context;
    FixedClock clock;
    RecordingConverter converter;
    reader::ImageArchive archive;
    reader::ReadWorkflow workflow;
};

} // namespace readerlink::fake
