#pragma once

// The serial port component: opens one COM device with fixed line settings,
// watches it from its own event thread, hands every batch of events to the
// main thread and there announces received bytes by their count.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/com_events.h"
#include "serial/com_port_error.h"
#include "serial/com_settings.h"
#include "common/ui_thread.h"
#include "serial/serial_device.h"

namespace readerlink::serial {

class ComThread;

// How events reach the application: always a synchronous hand-over to the
// main thread here; message-window and in-thread delivery are not provided.
enum class TSyncMethod { smThreadSync };

// The event thread runs at normal priority on this platform whatever is asked.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class CustomComPort {
public:
    using NotifyEvent = std::function<void(CustomComPort& sender)>;
    using RxCharEvent = std::function<void(CustomComPort& sender, int count)>;
    using RxBufEvent = std::function<void(CustomComPort& sender, const std::uint8_t* buffer, int count)>;
    using OnOffEvent = std::function<void(CustomComPort& sender, bool onOff)>;
    using ErrorEvent = std::function<void(CustomComPort& sender, ComErrors errors)>;
    using ExceptionEvent = std::function<void(CustomComPort& sender, const ComPortError& error)>;
    using ThreadEndEvent = std::function<void(CustomComPort& sender, const std::u16string& reason)>;

    // `devices` opens the device by name; `mainThread` receives the hand-overs.
    // Both must outlive the port.
    CustomComPort(SerialDeviceFactory& devices, UiThread& mainThread);
    virtual ~CustomComPort(); // closes the port
    CustomComPort(const CustomComPort&) = delete;
    CustomComPort& operator=(const CustomComPort&) = delete;

    // Opens and configures the device and starts the event thread; nothing
    // when open already. Throws ComPortError.
    void Open();
    // Stops the event thread and closes the device; nothing when closed.
    void Close();

    bool Connected() const { return FConnected; }
    // The event thread ended because the device hung up (unplugged); false
    // again once the port opens.
    bool DeviceGone() const { return FDeviceGone; }
    void SetConnected(bool connected);

    const std::u16string& Port() const { return FPort; }
    TBaudRate BaudRate() const { return FBaudRate; }
    int CustomBaudRate() const { return FCustomBaudRate; }
    TStopBits StopBits() const { return FStopBits; }
    TDataBits DataBits() const { return FDataBits; }
    bool DiscardNull() const { return FDiscardNull; }
    char16_t EventChar() const { return FEventChar; }
    ComEvents Events() const { return FEvents; }
    bool TriggersOnRxChar() const { return FTriggersOnRxChar; }
    TThreadPriority EventThreadPriority() const { return FEventThreadPriority; }
    TSyncMethod SyncMethod() const { return FSyncMethod; }

    ComBuffer& Buffer() { return FBuffer; }
    ComParity& Parity() { return FParity; }
    ComTimeouts& Timeouts() { return FTimeouts; }
    ComFlowControl& FlowControl() { return FFlowControl; }

    // Bytes waiting in the input queue; also clears the device's error state.
    int InputCount();
    // Reads up to `count` bytes already waiting, one character per byte; never waits.
    int ReadStr(std::u16string& text, int count);

    void BeginUpdate();
    void EndUpdate();

    // Handlers; all run on the main thread.
    RxCharEvent OnRxChar;
    RxBufEvent OnRxBuf;
    NotifyEvent OnTxEmpty;
    NotifyEvent OnBreak;
    NotifyEvent OnRing;
    OnOffEvent OnCTSChange;
    OnOffEvent OnDSRChange;
    OnOffEvent OnRLSDChange;
    ErrorEvent OnError;
    NotifyEvent OnRxFlag;
    NotifyEvent OnAfterOpen;
    NotifyEvent OnAfterClose;
    NotifyEvent OnBeforeOpen;
    NotifyEvent OnBeforeClose;
    NotifyEvent OnRx80Full;
    ExceptionEvent OnException;
    // The event thread ended on its own: the device hung up, or a hand-over
    // raised an error. Nothing more is announced until the port is reopened.
    ThreadEndEvent OnEventThreadEnd;

protected:
    // Setting a different name on an open port reopens it under that name.
    void SetPort(const std::u16string& port);
    void SetBaudRate(TBaudRate rate);
    void SetCustomBaudRate(int rate);
    void SetStopBits(TStopBits bits);
    void SetDataBits(TDataBits bits);
    void SetDiscardNull(bool discard);
    void SetEventChar(char16_t c);
    void SetEvents(ComEvents events);
    void SetTriggersOnRxChar(bool triggers);
    void SetEventThreadPriority(TThreadPriority priority);
    void SetSyncMethod(TSyncMethod method);

    virtual void OpenPortHandle();
    virtual void ClosePortHandle();
    virtual void ConfigurePort();

    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int count);
    virtual void DoRxBuf(const std::uint8_t* buffer, int count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoRxFlag();
    virtual void DoCTSChange(bool onOff);
    virtual void DoDSRChange(bool onOff);
    virtual void DoError(ComErrors errors);
    virtual void DoRLSDChange(bool onOff);
    virtual void DoRx80Full();
    virtual void ApplyLineSettings();
    virtual void ApplyTimeoutSettings();
    virtual void ApplyQueueSizes();
    virtual void DoEventThreadEnd(const std::u16string& reason);

    // The line settings record the current settings make.
    DeviceControlBlock LineSettingsRecord() const;

private:
    friend class ComBuffer;
    friend class ComParity;
    friend class ComTimeouts;
    friend class ComFlowControl;
    friend class ComThread;

    [[noreturn]] static void RaiseComError(ComErrorCode code, std::int64_t osError);
    // Runs a public operation; a ComPortError it raises goes to OnException
    // when that is set, instead of to the caller.
    template <class Step> void Reporting(Step&& step) {
        try {
            step();
        } catch (const ComPortError& error) {
            if (!OnException)
                throw;
            OnException(*this, error);
        }
    }
    void OpenSteps();
    void CloseSteps();
    int ReadStrSteps(std::u16string& text, int count);
    int InputCountSteps();
    bool CanApply() const;
    std::uint32_t ModemStatus();
    void DeliverEvents(ComEvents events);
    void ReceivedCharacters();
    // Runs on the main thread for each batch the event thread hands over.
    void HandOverEvents(ComEvents events);
    void StopEventThread();

    SerialDeviceFactory& devices_;
    UiThread& mainThread_;
    std::unique_ptr<SerialDevice> device_; // the handle: null while closed

    std::unique_ptr<ComThread> FEventThread;
    bool FThreadCreated = false;
    int FUpdateCount = 0;
    bool FTriggersOnRxChar = true;
    TThreadPriority FEventThreadPriority = TThreadPriority::tpNormal;
    bool FConnected = false;
    bool FDeviceGone = false;
    TBaudRate FBaudRate = TBaudRate::br9600;
    int FCustomBaudRate = 9600;
    std::u16string FPort = u"COM1";
    TStopBits FStopBits = TStopBits::sbOneStopBit;
    TDataBits FDataBits = TDataBits::dbEight;
    bool FDiscardNull = false;
    char16_t FEventChar = 0;
    ComEvents FEvents = ComEvents::all();
    ComBuffer FBuffer{this};
    ComParity FParity{this};
    ComTimeouts FTimeouts{this};
    ComFlowControl FFlowControl{this};
    TSyncMethod FSyncMethod = TSyncMethod::smThreadSync;
};

// The port whose settings the owner sets.
class ComPort : public CustomComPort {
public:
    using CustomComPort::CustomComPort;
    using CustomComPort::SetBaudRate;
    using CustomComPort::SetCustomBaudRate;
    using CustomComPort::SetDataBits;
    using CustomComPort::SetDiscardNull;
    using CustomComPort::SetEventChar;
    using CustomComPort::SetEvents;
    using CustomComPort::SetEventThreadPriority;
    using CustomComPort::SetPort;
    using CustomComPort::SetStopBits;
    using CustomComPort::SetSyncMethod;
    using CustomComPort::SetTriggersOnRxChar;
    using CustomComPort::LineSettingsRecord;
};

// A port as the serial readers need it: 9600 8N1, output held while CTS is
// off, RTS handshake, DTR off, no XON/XOFF, 65536/4096-byte queues, all events.
void ConfigureForMrzReader(ComPort& port);

} // namespace readerlink::serial
