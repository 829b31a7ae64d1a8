#include "serial/serial_channel.h"

#include <algorithm>

#include "common/text.h"

namespace readerlink::serial {

SerialChannel::SerialChannel(ComPort& port, Timer& bufferTimer, std::u16string& scanData,
                             ActivityLog& log, Dialogs& dialogs,
                             std::function<void()> sendDataToApp, std::function<ReaderChoice()> reader)
    : port_(port), bufferTimer_(bufferTimer), scanData_(scanData), log_(log), dialogs_(dialogs),
      sendDataToApp_(std::move(sendDataToApp)), reader_(std::move(reader)) {
    port_.OnRxChar = [this](CustomComPort&, int count) { ComPortNRxChar(count); };
    // Without this line a failed read would silently end every later scan.
    port_.OnEventThreadEnd = [this](CustomComPort& port, const std::u16string& reason) {
        if (port.DeviceGone() && replug_) {
            replug_->deviceGone(reason);
            return;
        }
        log_.logStatus(u"Serial port " + port.Port() + u" stopped receiving: " + reason +
                       u". Press \"Connect\" to reopen it.");
    };
    bufferTimer_.setHandler([this] { BufferTimerTimer(); });
}

void SerialChannel::Connect(int comPortNumber) {
    if (comPortNumber == 0) {
        dialogs_.showError(u"Please choose com port");
        return;
    }
    if (replug_)
        replug_->cancel();
    port_.Close();
    port_.SetPort(u"COM" + toDecimal(comPortNumber));
    try {
        port_.Open();
    } catch (const ComPortError& e) {
        if (devices_ && e.Code() == static_cast<int>(ComErrorCode::OpenFailed)) {
            const int osError = e.WinCode() > 0 ? static_cast<int>(e.WinCode()) : 0;
            if (const std::string why = devices_->explainOpenFailure(port_.Port(), osError);
                !why.empty())
                log_.log(fromUtf8(why));
        }
        throw;
    }
    // The port's lock keeps out only programs that lock too.
    if (devices_) {
        if (const std::string others = devices_->otherUsers(port_.Port()); !others.empty())
            log_.log(u"Warning: serial port " + port_.Port() + u" (" +
                     fromUtf8(devices_->devicePath(port_.Port())) +
                     u") is also open in another program (" + fromUtf8(others) +
                     u"); it may take the reader's characters.");
    }
}

void SerialChannel::ComPortNRxChar(int count) {
    std::u16string text;
    port_.ReadStr(text, count);
    // The gathering window runs from a burst's first announcement.
    if (!bufferTimer_.isActive())
        bufferTimer_.start();
    scanData_ += text;
}

void SerialChannel::BufferTimerTimer() {
    bufferTimer_.stop();
    if (reader_().is(ReaderKind::ThreeMCR100))
        scanData_.erase(0, std::min<std::size_t>(8, scanData_.size()));
    // Appended, not replacing the log: its earlier lines are the station's
    // only record of what was read and what failed.
    for (const std::u16string& line : splitLines(scanData_))
        log_.log(line);
    struct EmptyAfterwards {
        std::u16string& text;
        ~EmptyAfterwards() { text.clear(); }
    } emptied{scanData_}; // also when delivery throws, or the next burst would repeat this one
    if (!trimControls(scanData_).empty())
        sendDataToApp_();
}

} // namespace readerlink::serial
