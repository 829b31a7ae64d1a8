#pragma once

// A whole reader station over the virtual reader, as the program puts it
// together: the connection step and reader events (ReaderStation), the read
// workflow and the image archive, the real delivery dispatcher over a
// recording host link and recording keystrokes, the real image converter
// launch (a stub converter on the PATH records its argument), a temp glass
// and picture folder, and the user-interface thread as a queue on a virtual
// clock. Tests, the soak and the benchmarks drive it the way an operator's
// desk would: lay a specimen on the glass and let it settle.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/message_loop.h"
#include "delivery/delivery_target.h"
#include "delivery/host_link.h"
#include "delivery/send_data_to_app.h"
#include "reader/converter_launcher.h"
#include "reader/image_archive.h"
#include "reader/local_clock.h"
#include "reader/read_workflow.h"
#include "reader/reader_station.h"
#include "reader/reader_window.h"
#include "reader/sdk/control_factory.h"
#include "reader/virtual/virtual_control_factory.h"
#include "support/manual_dispatcher.h"

namespace readerlink::station_test {

namespace fs = std::filesystem;

inline constexpr int kOrlam = 0;
inline constexpr int kDirect = 1;

// What the target application got, one entry per SendDataToApp that reached
// it: "host: <record text>" or "keys: <key string>".
struct Delivery {
    int attempt = 0; // the pass of the read it belongs to, from 1 (restarts count up)
    std::string text;
    bool operator==(const Delivery&) const = default;
};

class StationWindow final : public reader::ReaderWindow,
                            public ActivityLog,
                            public Dialogs,
                            public MessageLoop,
                            public DeliveryTarget {
public:
    explicit StationWindow(virtualreader::testing::ManualDispatcher& dispatcher) : dispatcher_(dispatcher) {}

    // ReaderWindow
    void setStatusBarText(std::u16string_view text) override { statusBar = text; }
    std::u16string statusBarText() const override { return statusBar; }
    void setStatusLabel(std::u16string_view text) override { statusLabel = text; }
    void placeImageView(reader::ImagePage, sdk::GxImage&) override {}
    void removeImageView(reader::ImagePage) override {}
    void endApplication() override { ended = true; }
    void setErrorLabel(std::u16string_view text, LabelColour) override;
    int targetApplication() const override { return application; }
    std::u16string pictureFolder() const override { return pictures; }
    bool isPassport() const override { return passport; }
    void setIsPassport(bool value) override { passport = value; }

    // DeliveryTarget
    int selectedApplication() const override { return application; }
    bool sendTwoLines() const override { return twoLines; }
    WindowId mainWindowId() const override { return 0x4A00007; }

    // ActivityLog
    void log(std::u16string_view line) override;
    void logStatus(std::u16string_view line) override;

    // Dialogs: the default error display records what it would show.
    void showMessage(std::u16string_view text) override;
    void showError(std::u16string_view text) override;
    std::optional<std::u16string> inputBox(std::u16string_view, std::u16string_view,
                                           std::u16string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(std::u16string_view, const std::string&) override {
        return std::nullopt;
    }

    // MessageLoop: whatever is due on the user-interface thread runs.
    void processMessages() override;

    std::u16string statusBar;
    std::u16string statusLabel;
    std::u16string pictures;
    int application = kOrlam;
    bool twoLines = false;
    bool passport = false;
    bool ended = false;
    int attempts = 0; // passes begun ("Working")
    std::vector<std::string> logLines;
    std::vector<std::string> messages; // message and error boxes
    std::vector<Delivery> deliveries;  // host records and typed keys, in order
    bool keepDeliveries = true;
    bool keepLog = true; // off: lines are only counted (the soak)
    std::size_t logCount = 0;

private:
    virtualreader::testing::ManualDispatcher& dispatcher_;
};

class RecordingHost final : public HostLink {
public:
    explicit RecordingHost(StationWindow& window) : window_(window) {}
    HostSendResult send(WindowId sender, const HostRecordBytes& record) override;
private:
    StationWindow& window_;
};

class FixedClock final : public reader::LocalClock {
public:
    reader::LocalDateTime now() override { return {2021, 2, 10, 11, 20, 27, 0}; }
    std::u16string decimalSeparator() override { return u"."; }
};

// Makes the control factory the station uses; the default is the virtual
// reader itself, a test may put a decorator around it.
using FactoryDecorator =
    std::function<std::unique_ptr<sdk::ControlFactory>(virtualreader::VirtualControlFactory&)>;

struct StationOptions {
    FactoryDecorator decorate;
    // Runs just before each read starts (status 4 or "Read").
    std::function<void()> beforeRead;
    // Last word on the virtual reader's options (its chip source, say).
    std::function<void(virtualreader::VirtualReaderOptions&)> configureReader;
    int application = kOrlam;
    bool keepLog = true;
    bool keepDeliveries = true;
    // Reads bare page images laid on the glass; empty: they are ignored.
    virtualreader::PageRecogniser pageRecogniser;
};

class VirtualStation {
public:
    explicit VirtualStation(StationOptions options = {});
    ~VirtualStation();
    VirtualStation(const VirtualStation&) = delete;
    VirtualStation& operator=(const VirtualStation&) = delete;

    // "Connect": the controls are made, the reader opened in free-run mode.
    void connect();
    // Copies a shipped specimen (or a file written by the test) onto the glass
    // and lets the watcher's report through; the document starts to settle.
    void lay(const fs::path& specimen);
    void take(const std::string& name);
    // The rest of the settling: status 2, then status 4, which runs a read.
    void settle();
    // Both: a document laid and read. Log and deliveries start afresh.
    void read(const fs::path& specimen);
    // The "Read" button on what lies on the glass.
    void readAgain();
    void clearRecords();
    // A text to the target application, as the station's own deliveries go.
    void deliver(const std::u16string& text);

    // Every file under the picture folder, relative and sorted.
    std::vector<std::string> archiveFiles() const;
    // Converter launches the archive asked for, at once.
    const std::vector<std::string>& converterLaunches() const { return converter_.launched; }
    // What the started converters recorded ("<argument>|<working folder>"),
    // waiting (bounded) for `count` of them: they run detached.
    std::vector<std::string> converterRuns(std::size_t count) const;
    // Replaces the picture folder text ("" keeps the default).
    void setPictureFolder(const std::string& folder);
    std::string pictureFolder() const;

    const fs::path& root() const { return root_; }
    const fs::path glass() const { return root_ / "glass"; }

    virtualreader::testing::ManualDispatcher dispatcher;
    StationWindow window{dispatcher};
    RecordingHost host{window};
    std::u16string scanData;
    const std::vector<Delivery>& deliveries() const { return window.deliveries; }
    const std::vector<std::string>& log() const { return window.logLines; }

private:
    fs::path root_;
    std::string savedPath_;
    std::unique_ptr<virtualreader::VirtualControlFactory> virtualFactory_;
    std::unique_ptr<sdk::ControlFactory> factory_;
    std::unique_ptr<DeliveryDispatcher> delivery_;
    FixedClock clock_;
    std::unique_ptr<reader::ConverterLauncher> realConverter_;
    struct CountingConverter final : reader::ConverterLauncher {
        reader::ConverterLauncher* real = nullptr;
        std::vector<std::string> launched;
        bool launchConverter(const std::u16string& path) override;
    } converter_;
    std::unique_ptr<reader::ReadContext> context_;
    std::unique_ptr<reader::ImageArchive> archive_;
    std::unique_ptr<reader::ReadWorkflow> workflow_;
    std::unique_ptr<reader::ReaderStation> station_;
    std::function<void()> beforeRead_;
};

// The shipped specimens.
fs::path specimenFile(const std::string& name);

} // namespace readerlink::station_test
