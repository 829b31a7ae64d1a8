#include "serial/comport.h"

#include <cerrno>
#include <vector>

#include "common/codepage1252.h"
#include "serial/com_thread.h"

namespace readerlink::serial {

CustomComPort::CustomComPort(SerialDeviceFactory& devices, UiThread& mainThread)
    : devices_(devices), mainThread_(mainThread) {}

CustomComPort::~CustomComPort() {
    try {
        Close();
    } catch (const std::exception&) {
        // Destruction cannot report; the thread and device are released below all the same.
    }
    StopEventThread();
    device_.reset();
}

void CustomComPort::RaiseComError(ComErrorCode code, std::int64_t osError) {
    throw ComPortError(code, osError);
}

// ---- open and close ------------------------------------------------------

void CustomComPort::Open() {
    Reporting([this] { OpenSteps(); });
}

void CustomComPort::OpenSteps() {
    if (FConnected)
        return;
    DoBeforeOpen();
    OpenPortHandle();
    FDeviceGone = false;
    FConnected = true;
    try {
        ConfigurePort();
    } catch (...) {
        ClosePortHandle();
        FConnected = false;
        throw;
    }
    if (FEvents.empty()) {
        FThreadCreated = false;
    } else {
        FEventThread = std::make_unique<ComThread>(*this, *device_, mainThread_, FEvents);
        FThreadCreated = true;
    }
    DoAfterOpen();
    const std::uint32_t cts = ModemStatus();
    const std::uint32_t dsr = ModemStatus();
    const std::uint32_t rlsd = ModemStatus();
    DoCTSChange((cts & device::MS_CTS_ON) != 0);
    DoDSRChange((dsr & device::MS_DSR_ON) != 0);
    DoRLSDChange((rlsd & device::MS_RLSD_ON) != 0);
}

void CustomComPort::Close() {
    Reporting([this] { CloseSteps(); });
}

void CustomComPort::CloseSteps() {
    if (!FConnected)
        return;
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    DoBeforeClose();
    if (const int e = device_->purge(device::PURGE_TXABORT | device::PURGE_RXABORT))
        RaiseComError(ComErrorCode::PurgeFailed, e);
    StopEventThread();
    ClosePortHandle();
    FConnected = false;
    DoAfterClose();
}

void CustomComPort::StopEventThread() {
    if (!FEventThread)
        return;
    FEventThread->Stop();
    FEventThread.reset();
    FThreadCreated = false;
}

void CustomComPort::SetConnected(bool connected) {
    if (connected == FConnected)
        return;
    if (connected)
        Open();
    else
        Close();
}

void CustomComPort::OpenPortHandle() {
    int osError = 0;
    std::unique_ptr<SerialDevice> device = devices_.open(FPort, osError);
    if (!device)
        RaiseComError(ComErrorCode::OpenFailed, osError != 0 ? osError : ENOENT);
    device_ = std::move(device);
}

void CustomComPort::ClosePortHandle() {
    device_.reset();
}

void CustomComPort::ConfigurePort() {
    ApplyQueueSizes();
    ApplyLineSettings();
    ApplyTimeoutSettings();
}

// ---- settings --------------------------------------------------------------

bool CustomComPort::CanApply() const {
    return FConnected && device_ && FUpdateCount == 0;
}

void CustomComPort::ApplyQueueSizes() {
    if (!CanApply())
        return;
    if (const int e = device_->setQueueSizes(static_cast<std::uint32_t>(FBuffer.InputSize()),
                                             static_cast<std::uint32_t>(FBuffer.OutputSize())))
        RaiseComError(ComErrorCode::SetupComFailed, e);
}

DeviceControlBlock CustomComPort::LineSettingsRecord() const {
    using namespace device;
    DeviceControlBlock dcb;
    dcb.BaudRate = FBaudRate == TBaudRate::brCustom ? static_cast<std::uint32_t>(FCustomBaudRate)
                                                    : BaudRateValue(FBaudRate);
    dcb.flags = fBinary;
    if (FDiscardNull)
        dcb.flags |= fNull;
    if (FFlowControl.OutCTSFlow())
        dcb.flags |= fOutxCtsFlow;
    if (FFlowControl.OutDSRFlow())
        dcb.flags |= fOutxDsrFlow;
    switch (FFlowControl.ControlDTR()) {
    case TDTRFlowControl::dtrDisable: break;
    case TDTRFlowControl::dtrEnable: dcb.flags |= fDtrEnable; break;
    case TDTRFlowControl::dtrHandshake: dcb.flags |= fDtrHandshake; break;
    }
    switch (FFlowControl.ControlRTS()) {
    case TRTSFlowControl::rtsDisable: break;
    case TRTSFlowControl::rtsEnable: dcb.flags |= fRtsEnable; break;
    case TRTSFlowControl::rtsHandshake: dcb.flags |= fRtsHandshake; break;
    case TRTSFlowControl::rtsToggle: dcb.flags |= fRtsToggle; break;
    }
    if (FFlowControl.XonXoffOut())
        dcb.flags |= fOutX;
    if (FFlowControl.XonXoffIn())
        dcb.flags |= fInX;
    if (FFlowControl.DSRSensitivity())
        dcb.flags |= fDsrSensitivity;
    if (FFlowControl.TxContinueOnXoff())
        dcb.flags |= fTXContinueOnXoff;
    const bool replace = FParity.Check() && FParity.Replace();
    if (FParity.Check()) {
        dcb.flags |= fParity;
        if (FParity.Replace())
            dcb.flags |= fErrorChar;
    }
    dcb.XonLim = static_cast<std::uint16_t>(FBuffer.InputSize() / 4);
    dcb.XoffLim = dcb.XonLim;
    dcb.ByteSize = static_cast<std::uint8_t>(5 + static_cast<int>(FDataBits));
    dcb.Parity = static_cast<std::uint8_t>(FParity.Bits());
    dcb.StopBits = static_cast<std::uint8_t>(FStopBits);
    dcb.XonChar = static_cast<std::uint8_t>(FFlowControl.XonChar() & 0xFF);
    dcb.XoffChar = static_cast<std::uint8_t>(FFlowControl.XoffChar() & 0xFF);
    dcb.ErrorChar = replace ? static_cast<std::uint8_t>(FParity.ReplaceChar() & 0xFF) : 0;
    dcb.EvtChar = static_cast<std::uint8_t>(FEventChar & 0xFF);
    return dcb;
}

void CustomComPort::ApplyLineSettings() {
    if (!CanApply())
        return;
    if (const int e = device_->setLineSettings(LineSettingsRecord()))
        RaiseComError(ComErrorCode::SetStateFailed, e);
}

void CustomComPort::ApplyTimeoutSettings() {
    if (!CanApply())
        return;
    DeviceTimeouts t;
    // -1 passes through as the all-ones "return at once" value.
    t.ReadIntervalTimeout = static_cast<std::uint32_t>(FTimeouts.ReadInterval());
    t.ReadTotalTimeoutMultiplier = static_cast<std::uint32_t>(FTimeouts.ReadTotalMultiplier());
    t.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(FTimeouts.ReadTotalConstant());
    t.WriteTotalTimeoutMultiplier = static_cast<std::uint32_t>(FTimeouts.WriteTotalMultiplier());
    t.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(FTimeouts.WriteTotalConstant());
    if (const int e = device_->setTimeouts(t))
        RaiseComError(ComErrorCode::TimeoutsFailed, e);
}

void CustomComPort::BeginUpdate() {
    ++FUpdateCount;
}

void CustomComPort::EndUpdate() {
    if (FUpdateCount > 0) {
        --FUpdateCount;
        if (FUpdateCount == 0)
            Reporting([this] { ConfigurePort(); });
    }
}

void CustomComPort::SetPort(const std::u16string& port) {
    if (port == FPort)
        return;
    FPort = port;
    if (FConnected) {
        Close();
        Open();
    }
}

void CustomComPort::SetBaudRate(TBaudRate rate) {
    if (rate == FBaudRate)
        return;
    FBaudRate = rate;
    Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetCustomBaudRate(int rate) {
    if (rate == FCustomBaudRate)
        return;
    FCustomBaudRate = rate;
    if (FBaudRate == TBaudRate::brCustom)
        Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetStopBits(TStopBits bits) {
    if (bits == FStopBits)
        return;
    FStopBits = bits;
    Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetDataBits(TDataBits bits) {
    if (bits == FDataBits)
        return;
    FDataBits = bits;
    Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetDiscardNull(bool discard) {
    if (discard == FDiscardNull)
        return;
    FDiscardNull = discard;
    Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetEventChar(char16_t c) {
    if (c == FEventChar)
        return;
    FEventChar = c;
    Reporting([this] { ApplyLineSettings(); });
}

void CustomComPort::SetEvents(ComEvents events) {
    // The thread takes the set when the port opens.
    FEvents = events;
}

void CustomComPort::SetTriggersOnRxChar(bool triggers) {
    FTriggersOnRxChar = triggers;
}

void CustomComPort::SetEventThreadPriority(TThreadPriority priority) {
    FEventThreadPriority = priority;
}

void CustomComPort::SetSyncMethod(TSyncMethod method) {
    FSyncMethod = method;
}

// ---- reading -----------------------------------------------------------------

int CustomComPort::InputCount() {
    int count = 0;
    Reporting([&] { count = InputCountSteps(); });
    return count;
}

int CustomComPort::InputCountSteps() {
    std::uint32_t errors = 0;
    std::uint32_t inQueue = 0;
    if (!device_)
        RaiseComError(ComErrorCode::ClearComFailed, EBADF);
    if (const int e = device_->clearErrors(errors, inQueue))
        RaiseComError(ComErrorCode::ClearComFailed, e);
    return static_cast<int>(inQueue);
}

int CustomComPort::ReadStr(std::u16string& text, int count) {
    int read = 0;
    Reporting([&] { read = ReadStrSteps(text, count); });
    return read;
}

int CustomComPort::ReadStrSteps(std::u16string& text, int count) {
    text.clear();
    if (count <= 0)
        return 0;
    if (!FConnected || !device_)
        RaiseComError(ComErrorCode::PortNotOpen, 0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    std::size_t got = 0;
    if (const int e = device_->read(bytes.data(), bytes.size(), got))
        RaiseComError(ComErrorCode::ReadFailed, e);
    InputCountSteps();
    text = decodeWindows1252(bytes.data(), got);
    return static_cast<int>(got);
}

std::uint32_t CustomComPort::ModemStatus() {
    std::uint32_t status = 0;
    if (const int e = device_->modemStatus(status))
        RaiseComError(ComErrorCode::ModemStatFailed, e);
    return status;
}

// ---- events --------------------------------------------------------------------

void CustomComPort::HandOverEvents(ComEvents events) {
    try {
        DeliverEvents(events);
    } catch (const std::exception& e) {
        DoEventThreadEnd(messageOf(e));
        throw;
    } catch (...) {
        DoEventThreadEnd(u"unknown error");
        throw;
    }
}

void CustomComPort::DeliverEvents(ComEvents events) {
    if (events.contains(ComEvent::evError)) {
        Reporting([this] {
            std::uint32_t errors = 0;
            std::uint32_t inQueue = 0;
            if (const int e = device_->clearErrors(errors, inQueue))
                RaiseComError(ComErrorCode::ClearComFailed, e);
            if (errors != 0)
                DoError(ErrorsFromDeviceFlags(errors));
        });
    }
    if (events.contains(ComEvent::evRxChar))
        ReceivedCharacters();
    if (events.contains(ComEvent::evTxEmpty))
        DoTxEmpty();
    if (events.contains(ComEvent::evBreak))
        DoBreak();
    if (events.contains(ComEvent::evRing))
        DoRing();
    if (events.contains(ComEvent::evCTS)) {
        std::uint32_t status = 0;
        Reporting([&] { status = ModemStatus(); });
        DoCTSChange((status & device::MS_CTS_ON) != 0);
    }
    if (events.contains(ComEvent::evDSR)) {
        std::uint32_t status = 0;
        Reporting([&] { status = ModemStatus(); });
        DoDSRChange((status & device::MS_DSR_ON) != 0);
    }
    if (events.contains(ComEvent::evRxFlag))
        DoRxFlag();
    if (events.contains(ComEvent::evRLSD)) {
        std::uint32_t status = 0;
        Reporting([&] { status = ModemStatus(); });
        DoRLSDChange((status & device::MS_RLSD_ON) != 0);
    }
    if (events.contains(ComEvent::evRx80Full))
        DoRx80Full();
}

void CustomComPort::ReceivedCharacters() {
    const int count = InputCount();
    if (count <= 0)
        return;
    if (FTriggersOnRxChar) {
        DoRxChar(count);
        return;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    std::size_t got = 0;
    Reporting([&] {
        if (const int e = device_->read(bytes.data(), bytes.size(), got))
            RaiseComError(ComErrorCode::ReadFailed, e);
    });
    if (got > 0)
        DoRxBuf(bytes.data(), static_cast<int>(got));
}

// ---- hooks -----------------------------------------------------------------------

void CustomComPort::DoAfterClose() { if (OnAfterClose) OnAfterClose(*this); }
void CustomComPort::DoAfterOpen() { if (OnAfterOpen) OnAfterOpen(*this); }
void CustomComPort::DoBeforeClose() { if (OnBeforeClose) OnBeforeClose(*this); }
void CustomComPort::DoBeforeOpen() { if (OnBeforeOpen) OnBeforeOpen(*this); }
void CustomComPort::DoRxChar(int count) { if (OnRxChar) OnRxChar(*this, count); }
void CustomComPort::DoRxBuf(const std::uint8_t* buffer, int count) {
    if (OnRxBuf)
        OnRxBuf(*this, buffer, count);
}
void CustomComPort::DoTxEmpty() { if (OnTxEmpty) OnTxEmpty(*this); }
void CustomComPort::DoBreak() { if (OnBreak) OnBreak(*this); }
void CustomComPort::DoRing() { if (OnRing) OnRing(*this); }
void CustomComPort::DoRxFlag() { if (OnRxFlag) OnRxFlag(*this); }
void CustomComPort::DoCTSChange(bool onOff) { if (OnCTSChange) OnCTSChange(*this, onOff); }
void CustomComPort::DoDSRChange(bool onOff) { if (OnDSRChange) OnDSRChange(*this, onOff); }
void CustomComPort::DoError(ComErrors errors) { if (OnError) OnError(*this, errors); }
void CustomComPort::DoRLSDChange(bool onOff) { if (OnRLSDChange) OnRLSDChange(*this, onOff); }
void CustomComPort::DoRx80Full() { if (OnRx80Full) OnRx80Full(*this); }
void CustomComPort::DoEventThreadEnd(const std::u16string& reason) {
    if (OnEventThreadEnd)
        OnEventThreadEnd(*this, reason);
}

// ---- the reader's configuration ---------------------------------------------------

void ConfigureForMrzReader(ComPort& port) {
    port.SetBaudRate(TBaudRate::br9600);
    port.SetDataBits(TDataBits::dbEight);
    port.Parity().SetBits(TParityBits::prNone);
    port.SetStopBits(TStopBits::sbOneStopBit);
    port.FlowControl().SetOutCTSFlow(true);
    port.FlowControl().SetOutDSRFlow(false);
    port.FlowControl().SetControlDTR(TDTRFlowControl::dtrDisable);
    port.FlowControl().SetControlRTS(TRTSFlowControl::rtsHandshake);
    port.FlowControl().SetXonXoffOut(false);
    port.FlowControl().SetXonXoffIn(false);
    port.Buffer().SetInputSize(65536);
    port.Buffer().SetOutputSize(4096);
    port.SetEvents(ComEvents::all());
    port.SetTriggersOnRxChar(true);
}

} // namespace readerlink::serial
