#pragma once

// The station's main window without its widgets: ScanData, the choices the
// controls hold, the four window timers, the activity log, the settings file
// and every handler of the window. The Qt window only forwards clicks and
// timer ticks here and shows what the StationView calls tell it; tests drive
// this class headless.

#include "common/activity_log.h"
#include "common/station_choices.h"
#include "common/dialogs.h"
#include "common/timer.h"
#include "platform/autorun_store.h"
#include "station/null_links.h"
#include "station/profile_file.h"
#include "station/station_links.h"
#include "station/station_view.h"
#include "common/timer.h"

#include <array>
#include <exception>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace readerlink::station {

inline constexpr std::u16string_view kAutorunValueName = u"2D Barcode";

struct StationSetup {
    std::filesystem::path executable;      // its folder holds Settings.ini
    std::vector<std::u16string> arguments; // the command line after the program name
    Dialogs& dialogs;
    platform::AutorunStore& autorun;
    TimerFactory& timers;
    std::ostream* echo = nullptr; // every log line is also written here (standard output)
    // Empty: "Settings.ini" beside the executable.
    std::filesystem::path settingsFile = {};
    // The picture folder when the settings name none; empty: "Photos" beside
    // the executable.
    std::filesystem::path defaultPictureFolder = {};
};

class Station : public ActivityLog {
public:
    static constexpr std::chrono::milliseconds kMinTimerInterval{2000};
    static constexpr std::chrono::milliseconds kSendDataInterval{2000};
    static constexpr std::chrono::milliseconds kTriggerTimerInterval{2000};
    static constexpr std::chrono::milliseconds kBufferTimerInterval{1000};

    explicit Station(StationSetup setup);
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // --- wiring (before FormCreate) -------------------------------------
    void setView(StationView* view); // nullptr: nothing shown
    // Non-owning; nullptr puts the null link back.
    void setPassportReader(PassportReaderLink* reader);
    void setSerialReader(SerialReaderLink* serial);
    void setDelivery(DeliveryLink* delivery);

    // --- the window's life ----------------------------------------------
    void FormCreate(); // settings loaded; reader "ARH PRMC" unless serial ones are offered
    void FormShow();   // "Main" page, then "Connect"
    void FormClose();  // serial port closed, picture folder saved

    // --- handlers ---------------------------------------------------------
    void BtnConnectClick();
    void BtnTriggerClick();  // "Read"
    void BtnTestClick();     // "Send MRZ"
    void BtnSendDataClick(); // runs SendDataToApp
    void BtnAutoClick(bool checked);
    void browsePicturePath(); // the folder box's button

    // Runs one handler as the message loop would: what it throws goes to the
    // default error display and the program goes on.
    void dispatch(const std::function<void()>& handler);
    // The default error display: error box with "." appended by the usual rule.
    void showError(const std::exception& error);
    // Ends the program without the close step (a failed image view binding).
    void endApplication();

    // --- state the subsystems share -------------------------------------
    std::u16string& scanData() { return scanData_; }
    bool& isPassport() { return isPassport_; }
    // The serial channel gathers a burst for as long as this runs.
    Timer& bufferTimer() { return *bufferTimer_; }

    Dialogs& dialogs() { return dialogs_; }
    const std::filesystem::path& executable() const { return executable_; }

    // --- the controls -------------------------------------------------------
    // Drop-down items: -1 means nothing selected, as an out-of-range index leaves it.
    int appIndex() const { return appIndex_; }
    void setAppIndex(int item);
    bool sendTwoLines() const { return sendTwoLines_; }
    void setSendTwoLines(bool on);
    int readerIndex() const { return readerIndex_; }
    void setReaderIndex(int item);
    bool readerEnabled() const { return readerEnabled_; }
    bool comPortVisible() const { return comPortVisible_; }
    int comPort() const { return comPort_; }
    void setComPort(int port);
    const std::u16string& picturePath() const { return picturePath_; }
    void setPicturePath(std::u16string path);
    bool autorunVisible() const { return autorunVisible_; }
    bool autorunChecked() const { return autorunChecked_; }

    // The read workflow reads the status bar back.
    const std::u16string& statusBarText() const { return statusBarText_; }
    void setStatusBarText(std::u16string_view text);
    // lblStatus without a log line.
    void setStatusLabel(std::u16string_view text);
    void setErrorLabelVisible(bool visible);
    // lblError's text and font colour; its visibility is left as it is.
    void setErrorLabelText(std::u16string_view text, LabelColour colour);

    // --- the activity log ----------------------------------------------------
    void log(std::u16string_view line) override;
    void logStatus(std::u16string_view line) override;

    // The settings file while the window lives; null after the close step.
    ProfileFile* settings() { return settings_.get(); }

private:
    void MinTimerTimer();
    void sendDataExpired();
    void echo(std::u16string_view text);
    void refresh();

    std::filesystem::path executable_;
    std::filesystem::path settingsFile_;
    std::filesystem::path defaultPictureFolder_;
    std::vector<std::u16string> arguments_;
    Dialogs& dialogs_;
    platform::AutorunStore& autorun_;
    std::ostream* echo_;
    StationView* view_ = nullptr;

    NoPassportReader noReader_{*this};
    NoSerialReader noSerial_{*this};
    NoDelivery noDelivery_{*this};
    PassportReaderLink* reader_ = &noReader_;
    SerialReaderLink* serial_ = &noSerial_;
    DeliveryLink* delivery_ = &noDelivery_;

    std::unique_ptr<Timer> minTimer_;
    std::unique_ptr<Timer> sendData_;
    std::unique_ptr<Timer> triggerTimer_;
    std::unique_ptr<Timer> bufferTimer_;

    std::unique_ptr<ProfileFile> settings_;
    std::u16string scanData_;
    bool isPassport_ = false;

    int appIndex_ = 0;
    bool sendTwoLines_ = false;
    int readerIndex_ = -1;
    bool readerEnabled_ = true;
    bool comPortVisible_ = false;
    int comPort_ = 0;
    std::u16string picturePath_;
    bool autorunVisible_ = true;
    bool autorunChecked_ = false;
    std::u16string statusBarText_;
};

} // namespace readerlink::station
