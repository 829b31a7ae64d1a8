#pragma once

// The path from a serial MRZ reader to delivery: "Connect" opens the chosen
// COM port for the serial reader kinds; received characters gather in
// ScanData, and one second after a burst's first announcement the text is
// logged and delivered.

#include <functional>
#include <string>
#include <vector>

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/timer.h"
#include "common/station_choices.h"
#include "serial/comport.h"
#include "serial/port_replug.h"

namespace readerlink::serial {

class SerialChannel {
public:
    // Binds itself to the port's OnRxChar and OnEventThreadEnd and to the
    // timer's expiry. `scanData` is the window's shared buffer;
    // `sendDataToApp` delivers it; `reader` answers the current reader
    // choice. Everything passed must outlive the channel.
    SerialChannel(ComPort& port, Timer& bufferTimer, std::u16string& scanData, ActivityLog& log,
                  Dialogs& dialogs, std::function<void()> sendDataToApp,
                  std::function<ReaderChoice()> reader);

    // The serial part of "Connect" for a serial reader, after the choices
    // were saved: (re)opens "COM" + comPortNumber; 0 asks for a port instead.
    // A port that cannot be opened throws ComPortError and stays closed.
    void Connect(int comPortNumber);

    // From now on an unplugged device is closed at once and reopened when it
    // is back, by `replug`, which must outlive the channel.
    void reopenAfterReplug(PortReplug& replug) { replug_ = &replug; }

    // From now on a port that does not open gets one more log line on why,
    // and an open one a warning when other programs have its device open.
    // `devices` must outlive the channel.
    void diagnoseWith(SerialDeviceFactory& devices) { devices_ = &devices; }

    // OnRxChar: `count` bytes wait.
    void ComPortNRxChar(int count);
    // BufferTimer's expiry.
    void BufferTimerTimer();

private:
    ComPort& port_;
    Timer& bufferTimer_;
    std::u16string& scanData_;
    ActivityLog& log_;
    Dialogs& dialogs_;
    std::function<void()> sendDataToApp_;
    std::function<ReaderChoice()> reader_;
    PortReplug* replug_ = nullptr;
    SerialDeviceFactory* devices_ = nullptr;
};

} // namespace readerlink::serial
