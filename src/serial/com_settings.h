#pragma once

// The port's setting objects and the value types of its line settings. A
// setting object belongs to one port and re-applies its part of the settings
// to an open device whenever a value changes.

#include <cstdint>

namespace readerlink::serial {

class CustomComPort;

enum class TBaudRate {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000,
};
enum class TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum class TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum class TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum class TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// The line speed a value stands for; 0 for brCustom.
std::uint32_t BaudRateValue(TBaudRate rate);

class ComBuffer {
public:
    explicit ComBuffer(CustomComPort* port) : FComPort(port) {}
    int InputSize() const { return FInputSize; }
    int OutputSize() const { return FOutputSize; }
    // Odd positive sizes are stored as the even size one below.
    void SetInputSize(int size);
    void SetOutputSize(int size);

private:
    CustomComPort* FComPort;
    int FInputSize = 1024;
    int FOutputSize = 1024;
};

class ComParity {
public:
    explicit ComParity(CustomComPort* port) : FComPort(port) {}
    TParityBits Bits() const { return FBits; }
    bool Check() const { return FCheck; }
    bool Replace() const { return FReplace; }
    char16_t ReplaceChar() const { return FReplaceChar; }
    void SetBits(TParityBits bits);
    void SetCheck(bool check);
    void SetReplace(bool replace);
    void SetReplaceChar(char16_t c);

private:
    void changed();
    CustomComPort* FComPort;
    TParityBits FBits = TParityBits::prNone;
    bool FCheck = false;
    bool FReplace = false;
    char16_t FReplaceChar = 0;
};

// Milliseconds; -1 as read interval means "return at once with what is waiting".
class ComTimeouts {
public:
    explicit ComTimeouts(CustomComPort* port) : FComPort(port) {}
    int ReadInterval() const { return FReadInterval; }
    int ReadTotalMultiplier() const { return FReadTotalM; }
    int ReadTotalConstant() const { return FReadTotalC; }
    int WriteTotalMultiplier() const { return FWriteTotalM; }
    int WriteTotalConstant() const { return FWriteTotalC; }
    void SetReadInterval(int ms);
    void SetReadTotalMultiplier(int ms);
    void SetReadTotalConstant(int ms);
    void SetWriteTotalMultiplier(int ms);
    void SetWriteTotalConstant(int ms);

private:
    void set(int& field, int value);
    CustomComPort* FComPort;
    int FReadInterval = -1;
    int FReadTotalM = 0;
    int FReadTotalC = 0;
    int FWriteTotalM = 100;
    int FWriteTotalC = 1000;
};

class ComFlowControl {
public:
    explicit ComFlowControl(CustomComPort* port) : FComPort(port) {}
    bool OutCTSFlow() const { return FOutCTSFlow; }
    bool OutDSRFlow() const { return FOutDSRFlow; }
    TDTRFlowControl ControlDTR() const { return FControlDTR; }
    TRTSFlowControl ControlRTS() const { return FControlRTS; }
    bool XonXoffOut() const { return FXonXoffOut; }
    bool XonXoffIn() const { return FXonXoffIn; }
    bool DSRSensitivity() const { return FDSRSensitivity; }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    char16_t XonChar() const { return FXonChar; }
    char16_t XoffChar() const { return FXoffChar; }
    void SetOutCTSFlow(bool on);
    void SetOutDSRFlow(bool on);
    void SetControlDTR(TDTRFlowControl control);
    void SetControlRTS(TRTSFlowControl control);
    void SetXonXoffOut(bool on);
    void SetXonXoffIn(bool on);
    void SetDSRSensitivity(bool on);
    void SetTxContinueOnXoff(bool on);
    void SetXonChar(char16_t c);
    void SetXoffChar(char16_t c);

private:
    template <class T> void set(T& field, T value);
    CustomComPort* FComPort;
    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = TDTRFlowControl::dtrDisable;
    TRTSFlowControl FControlRTS = TRTSFlowControl::rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    char16_t FXonChar = 17;
    char16_t FXoffChar = 19;
};

} // namespace readerlink::serial
