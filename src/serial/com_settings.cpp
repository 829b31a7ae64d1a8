#include "serial/com_settings.h"

#include <array>

#include "serial/comport.h"

namespace readerlink::serial {

std::uint32_t BaudRateValue(TBaudRate rate) {
    constexpr std::array<std::uint32_t, 16> kRates = {
        0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400,
        19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return kRates.at(static_cast<std::size_t>(rate));
}

// ---- ComBuffer

namespace {
int evenSize(int size) {
    return size > 0 && size % 2 != 0 ? size - 1 : size;
}
} // namespace

void ComBuffer::SetInputSize(int size) {
    size = evenSize(size);
    if (size == FInputSize)
        return;
    FInputSize = size;
    if (FComPort)
        FComPort->Reporting([this] { FComPort->ApplyQueueSizes(); });
}

void ComBuffer::SetOutputSize(int size) {
    size = evenSize(size);
    if (size == FOutputSize)
        return;
    FOutputSize = size;
    if (FComPort)
        FComPort->Reporting([this] { FComPort->ApplyQueueSizes(); });
}

// ---- ComParity

void ComParity::changed() {
    if (FComPort)
        FComPort->Reporting([this] { FComPort->ApplyLineSettings(); });
}

void ComParity::SetBits(TParityBits bits) {
    if (bits == FBits)
        return;
    FBits = bits;
    changed();
}

void ComParity::SetCheck(bool check) {
    if (check == FCheck)
        return;
    FCheck = check;
    changed();
}

void ComParity::SetReplace(bool replace) {
    if (replace == FReplace)
        return;
    FReplace = replace;
    changed();
}

void ComParity::SetReplaceChar(char16_t c) {
    if (c == FReplaceChar)
        return;
    FReplaceChar = c;
    changed();
}

// ---- ComTimeouts

void ComTimeouts::set(int& field, int value) {
    if (value == field)
        return;
    field = value;
    if (FComPort)
        FComPort->Reporting([this] { FComPort->ApplyTimeoutSettings(); });
}

void ComTimeouts::SetReadInterval(int ms) { set(FReadInterval, ms); }
void ComTimeouts::SetReadTotalMultiplier(int ms) { set(FReadTotalM, ms); }
void ComTimeouts::SetReadTotalConstant(int ms) { set(FReadTotalC, ms); }
void ComTimeouts::SetWriteTotalMultiplier(int ms) { set(FWriteTotalM, ms); }
void ComTimeouts::SetWriteTotalConstant(int ms) { set(FWriteTotalC, ms); }

// ---- ComFlowControl

template <class T> void ComFlowControl::set(T& field, T value) {
    if (value == field)
        return;
    field = value;
    if (FComPort)
        FComPort->Reporting([this] { FComPort->ApplyLineSettings(); });
}

void ComFlowControl::SetOutCTSFlow(bool on) { set(FOutCTSFlow, on); }
void ComFlowControl::SetOutDSRFlow(bool on) { set(FOutDSRFlow, on); }
void ComFlowControl::SetControlDTR(TDTRFlowControl control) { set(FControlDTR, control); }
void ComFlowControl::SetControlRTS(TRTSFlowControl control) { set(FControlRTS, control); }
void ComFlowControl::SetXonXoffOut(bool on) { set(FXonXoffOut, on); }
void ComFlowControl::SetXonXoffIn(bool on) { set(FXonXoffIn, on); }
void ComFlowControl::SetDSRSensitivity(bool on) { set(FDSRSensitivity, on); }
void ComFlowControl::SetTxContinueOnXoff(bool on) { set(FTxContinueOnXoff, on); }
void ComFlowControl::SetXonChar(char16_t c) { set(FXonChar, c); }
void ComFlowControl::SetXoffChar(char16_t c) { set(FXoffChar, c); }

} // namespace readerlink::serial
