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
#include "serial/comport.h"

namespace readerlink::serial {

// The items of the reader choice.
enum ReaderItem : int {
    Zebex = 0,
    Handheld = 1,
    AccessIS = 2,
    ArhPrmc = 3,
    WintoneCR620 = 4,
    MetrologicFocusMS1890 = 5,
    ThreeMCR100 = 6,
};

// Items 1, 5 and 6 read over a COM port.
bool IsSerialReader(int readerItem);

// The lines a text shows as in the log: split at CR LF, CR or LF; a final
// line break ends the last line rather than starting an empty one.
std::vector<std::u16string> MemoLines(std::u16string_view text);

class SerialChannel {
public:
    // Binds itself to the port's OnRxChar and OnEventThreadEnd and to the
    // timer's expiry. `scanData` is the window's shared buffer;
    // `sendDataToApp` delivers it; `readerItem` answers the current reader
    // choice. Everything passed must outlive the channel.
    SerialChannel(ComPort& port, Timer& bufferTimer, std::u16string& scanData, ActivityLog& log,
                  Dialogs& dialogs, std::function<void()> sendDataToApp,
                  std::function<int()> readerItem);

    // The serial part of "Connect", after the choices were saved. Items 1, 5
    // and 6 (re)open "COM" + comPortNumber; 0 asks for a port instead. Other
    // items have no serial step: a port opened earlier stays open. A port
    // that cannot be opened throws ComPortError and stays closed.
    void Connect(int readerItem, int comPortNumber);

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
    std::function<int()> readerItem_;
};

} // namespace readerlink::serial
