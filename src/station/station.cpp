#include "station/station.h"

#include "common/error.h"
#include "common/text.h"
#include "station/command_line.h"
#include "station/station_settings.h"

#include <ostream>

namespace readerlink::station {

Station::Station(StationSetup setup)
    : executable_(std::move(setup.executable)),
      settingsFile_(setup.settingsFile.empty() ? settingsPathFor(executable_)
                                               : std::move(setup.settingsFile)),
      defaultPictureFolder_(std::move(setup.defaultPictureFolder)),
      arguments_(std::move(setup.arguments)), dialogs_(setup.dialogs), autorun_(setup.autorun),
      echo_(setup.echo), minTimer_(setup.timers.createTimer(kMinTimerInterval)),
      sendData_(setup.timers.createTimer(kSendDataInterval)),
      triggerTimer_(setup.timers.createTimer(kTriggerTimerInterval)),
      bufferTimer_(setup.timers.createTimer(kBufferTimerInterval)) {
    minTimer_->setHandler([this] { dispatch([this] { MinTimerTimer(); }); });
    sendData_->setHandler([this] { dispatch([this] { sendDataExpired(); }); });
    triggerTimer_->setHandler([this] { dispatch([this] { BtnTriggerClick(); }); });
    bufferTimer_->setHandler([this] { dispatch([this] { serial_->bufferTimerExpired(); }); });
}

Station::~Station() = default;

void Station::setView(StationView* view) {
    view_ = view;
}

void Station::setPassportReader(PassportReaderLink* reader) {
    reader_ = reader ? reader : &noReader_;
}

void Station::setSerialReader(SerialReaderLink* serial) {
    serial_ = serial ? serial : &noSerial_;
}

void Station::setDelivery(DeliveryLink* delivery) {
    delivery_ = delivery ? delivery : &noDelivery_;
}

void Station::FormCreate() {
    // The window description enables MinTimer before the creation handler runs.
    minTimer_->start();

    setAppIndex(1);

    // A settings folder of the user's may not exist yet; when it cannot be
    // made, the first save says so in the log.
    std::error_code ignored;
    std::filesystem::create_directories(settingsFile_.parent_path(), ignored);
    settings_ = std::make_unique<ProfileFile>(settingsFile_);
    StoredChoices stored = loadChoices(*settings_, executable_);
    if (!defaultPictureFolder_.empty() &&
        settings_->readString(u"Settings", u"PicturePath", u"").empty())
        stored.picturePath = fromUtf8(defaultPictureFolder_.string());
    picturePath_ = stored.picturePath;
    setReaderIndex(stored.readerIndex);
    setAppIndex(stored.appIndex);
    sendTwoLines_ = stored.sendTwoLines;
    comPort_ = stored.comPort;

    // Only the passport reader is offered, whatever the file says, unless the
    // station was set up for serial readers.
    if (stored.serialReaders || serialReadersAsked(arguments_)) {
        if (readerIndex_ < 0)
            setReaderIndex(static_cast<int>(ReaderKind::ArhPrmc));
        comPortVisible_ = true;
    } else {
        setReaderIndex(static_cast<int>(ReaderKind::ArhPrmc));
        readerEnabled_ = false;
    }
    autorunVisible_ = false;
    refresh();
}

void Station::FormShow() {
    if (view_)
        view_->showPage(Page::Main);
    BtnConnectClick();
}

void Station::FormClose() {
    serial_->closePort();
    if (ReaderChoice{readerIndex_}.is(ReaderKind::Handheld))
        return;
    if (settings_) {
        try {
            savePhotoPath(*settings_, picturePath_);
        } catch (const ProfileWriteError& e) {
            log(e.message()); // the folder choice is lost, nothing else
        }
    }
    settings_.reset();
}

void Station::BtnConnectClick() {
    if (settings_) {
        try {
            saveReaderChoices(*settings_, readerIndex_, appIndex_, sendTwoLines_, comPort_);
        } catch (const ProfileWriteError& e) {
            // The station still connects; only the file keeps its old choices.
            log(e.message());
        }
    }
    setErrorLabelVisible(false);
    const ReaderChoice reader{readerIndex_};
    if (reader.isPassportReader())
        reader_->connect();
    else if (reader.isSerial())
        serial_->connect();
}

void Station::BtnTriggerClick() {
    if (ReaderChoice{readerIndex_}.isPassportReader())
        reader_->captureAndRead();
}

void Station::BtnTestClick() {
    auto entered = dialogs_.inputBox(u"MRZ", u"Enter MRZ", scanData_);
    if (!entered)
        return;
    scanData_ = std::move(*entered);
    if (view_)
        view_->minimize();
    sendData_->start();
}

void Station::BtnSendDataClick() {
    delivery_->sendDataToApp();
}

void Station::BtnAutoClick(bool checked) {
    autorunChecked_ = checked;
    if (checked) {
        if (!autorun_.setEntry(kAutorunValueName, executable_, u"/m " + toDecimal(appIndex_)))
            throw Error(u"Failed to set data for '" + std::u16string(kAutorunValueName) + u"'");
    } else {
        autorun_.removeEntry(kAutorunValueName);
    }
}

void Station::browsePicturePath() {
    if (auto chosen = dialogs_.chooseFolder(u"Select Directory", toUtf8(picturePath_))) {
        picturePath_ = fromUtf8(*chosen);
        refresh();
    }
}

void Station::dispatch(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showError(e);
    } catch (...) {
        showError(Error(u"Unknown error"));
    }
}

void Station::showError(const std::exception& error) {
    dialogs_.showError(errorDisplayText(messageOf(error)));
}

void Station::endApplication() {
    if (view_)
        view_->endApplication();
}

void Station::MinTimerTimer() {
    if (!arguments_.empty() && arguments_.front() == u"/m") {
        if (view_)
            view_->minimize();
        minTimer_->stop();
    }
}

void Station::sendDataExpired() {
    sendData_->stop();
    BtnSendDataClick();
}

void Station::setAppIndex(int item) {
    appIndex_ = item >= 0 && item < static_cast<int>(kTargetNames.size()) ? item : -1;
    refresh();
}

void Station::setSendTwoLines(bool on) {
    sendTwoLines_ = on;
    refresh();
}

void Station::setReaderIndex(int item) {
    readerIndex_ = item >= 0 && item < static_cast<int>(kReaderNames.size()) ? item : -1;
    refresh();
}

void Station::setComPort(int port) {
    comPort_ = port;
    refresh();
}

void Station::setPicturePath(std::u16string path) {
    picturePath_ = std::move(path);
    refresh();
}

void Station::setStatusBarText(std::u16string_view text) {
    statusBarText_ = std::u16string(text);
    if (view_)
        view_->showStatusBar(text);
}

void Station::setStatusLabel(std::u16string_view text) {
    if (view_)
        view_->showStatusLabel(text);
}

void Station::setErrorLabelText(std::u16string_view text, LabelColour colour) {
    if (view_)
        view_->showErrorLabelText(text, colour);
}

void Station::setErrorLabelVisible(bool visible) {
    if (view_)
        view_->showErrorLabel(visible);
}

void Station::log(std::u16string_view line) {
    if (view_)
        view_->appendLogLine(line);
    echo(line);
}

void Station::logStatus(std::u16string_view line) {
    log(line);
    setStatusLabel(line);
}

// One output line per log line, as the memo splits them.
void Station::echo(std::u16string_view text) {
    if (!echo_)
        return;
    const auto lines = splitLines(text);
    if (lines.empty())
        *echo_ << '\n'; // an empty log line is a line too
    for (const std::u16string& line : lines)
        *echo_ << toUtf8(line) << '\n';
    echo_->flush();
}

void Station::refresh() {
    if (view_)
        view_->refreshChoices();
}

} // namespace readerlink::station
