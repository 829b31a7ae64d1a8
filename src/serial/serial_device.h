#pragma once

// The device operations the port component needs, in the device's own terms
// (event mask bits, error flags, modem status bits, purge actions). A backend
// per platform provides them; the component calls nothing else.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace readerlink::serial {

namespace device {
// Event mask bits.
inline constexpr std::uint32_t EV_RXCHAR = 0x001;
inline constexpr std::uint32_t EV_RXFLAG = 0x002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x004;
inline constexpr std::uint32_t EV_CTS = 0x008;
inline constexpr std::uint32_t EV_DSR = 0x010;
inline constexpr std::uint32_t EV_RLSD = 0x020;
inline constexpr std::uint32_t EV_BREAK = 0x040;
inline constexpr std::uint32_t EV_ERR = 0x080;
inline constexpr std::uint32_t EV_RING = 0x100;
inline constexpr std::uint32_t EV_RX80FULL = 0x400;

// Line error flags.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_TXFULL = 0x0100;
inline constexpr std::uint32_t CE_IOE = 0x0400;
inline constexpr std::uint32_t CE_MODE = 0x8000;

// Modem status bits.
inline constexpr std::uint32_t MS_CTS_ON = 0x10;
inline constexpr std::uint32_t MS_DSR_ON = 0x20;
inline constexpr std::uint32_t MS_RING_ON = 0x40;
inline constexpr std::uint32_t MS_RLSD_ON = 0x80;

// Purge actions.
inline constexpr std::uint32_t PURGE_TXABORT = 0x1;
inline constexpr std::uint32_t PURGE_RXABORT = 0x2;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x4;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x8;

// Line-settings flag bits.
inline constexpr std::uint32_t fBinary = 0x1;
inline constexpr std::uint32_t fParity = 0x2;
inline constexpr std::uint32_t fOutxCtsFlow = 0x4;
inline constexpr std::uint32_t fOutxDsrFlow = 0x8;
inline constexpr std::uint32_t fDtrControlMask = 0x30;
inline constexpr std::uint32_t fDtrEnable = 0x10;
inline constexpr std::uint32_t fDtrHandshake = 0x20;
inline constexpr std::uint32_t fDsrSensitivity = 0x40;
inline constexpr std::uint32_t fTXContinueOnXoff = 0x80;
inline constexpr std::uint32_t fOutX = 0x100;
inline constexpr std::uint32_t fInX = 0x200;
inline constexpr std::uint32_t fErrorChar = 0x400;
inline constexpr std::uint32_t fNull = 0x800;
inline constexpr std::uint32_t fRtsControlMask = 0x3000;
inline constexpr std::uint32_t fRtsEnable = 0x1000;
inline constexpr std::uint32_t fRtsHandshake = 0x2000;
inline constexpr std::uint32_t fRtsToggle = 0x3000;
inline constexpr std::uint32_t fAbortOnError = 0x4000;

inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;
} // namespace device

// The line settings record (every field not set is 0).
struct DeviceControlBlock {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    std::uint32_t flags = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    std::uint8_t XonChar = 0;
    std::uint8_t XoffChar = 0;
    std::uint8_t ErrorChar = 0;
    std::uint8_t EofChar = 0;
    std::uint8_t EvtChar = 0;
    friend bool operator==(const DeviceControlBlock&, const DeviceControlBlock&) = default;
};

struct DeviceTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
    friend bool operator==(const DeviceTimeouts&, const DeviceTimeouts&) = default;
};

// What ends a wait for events.
struct DeviceWait {
    enum class Outcome {
        Events,  // `mask` holds the events that happened
        Stopped, // the stop signal was given
        HungUp,  // the device is gone (unplugged); waiting again is pointless
    };
    Outcome outcome = Outcome::Stopped;
    std::uint32_t mask = 0;
    int osError = 0; // for HungUp, the error that showed it, when there was one
};

// One open device. Every operation returns 0 or the OS error number; all run
// on the main thread except waitEvents (the event thread) and stopWait (any thread).
class SerialDevice {
public:
    virtual ~SerialDevice() = default; // closes the device

    virtual int setQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) = 0;
    virtual int setLineSettings(const DeviceControlBlock& dcb) = 0;
    virtual int setTimeouts(const DeviceTimeouts& timeouts) = 0;
    virtual int setEventMask(std::uint32_t mask) = 0;

    // Blocks until one of the masked events happens, the stop signal is given
    // or the device hangs up. The stop signal stays given once given.
    virtual DeviceWait waitEvents() = 0;
    virtual void stopWait() = 0;

    virtual int purge(std::uint32_t actions) = 0;

    // The line-error flags since the last call (cleared by this call) and the
    // number of bytes waiting in the input queue.
    virtual int clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) = 0;
    virtual int modemStatus(std::uint32_t& status) = 0;

    // Takes up to `size` waiting bytes without waiting for more.
    virtual int read(std::uint8_t* buffer, std::size_t size, std::size_t& got) = 0;
};

// A wait for a device to come back; ends when destroyed.
class DeviceWatch {
public:
    virtual ~DeviceWatch() = default; // no call of `appeared` after it returns
};

// Opens devices by their port name ("COM3").
class SerialDeviceFactory {
public:
    virtual ~SerialDeviceFactory() = default;
    // nullptr with osError set when the device cannot be opened.
    virtual std::unique_ptr<SerialDevice> open(std::u16string_view portName, int& osError) = 0;

    // The device a port name stands for, as the operator would name it;
    // empty when the name has none or the system does not tell.
    virtual std::string devicePath(std::u16string_view /*portName*/) { return {}; }

    // One log line on why the device of `portName` did not open with
    // `osError`: the device tried and the likely cause. Empty: nothing to add.
    virtual std::string explainOpenFailure(std::u16string_view /*portName*/, int /*osError*/) {
        return {};
    }

    // The other programs that have the device of `portName` open, as far as
    // this system can tell ("1234 minicom"); empty when none is seen.
    virtual std::string otherUsers(std::u16string_view /*portName*/) { return {}; }

    // Calls `appeared` once, on any thread, when the device of `portName` is
    // there again (soon after the call when it already is). nullptr when
    // this system cannot watch for it.
    virtual std::unique_ptr<DeviceWatch> watchForDevice(std::u16string_view /*portName*/,
                                                        std::function<void()> /*appeared*/) {
        return nullptr;
    }
};

} // namespace readerlink::serial
