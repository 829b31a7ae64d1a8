#include "platform/windows/comm_serial_device.h"

#include "platform/windows/wide_text.h"

#include <algorithm>
#include <windows.h>

namespace readerlink::platform {

namespace {

using namespace serial;

int lastError() {
    return static_cast<int>(::GetLastError());
}

int resultOf(BOOL ok) {
    return ok ? 0 : lastError();
}

DCB toDcb(const DeviceControlBlock& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = settings.BaudRate;
    const std::uint32_t f = settings.flags;
    dcb.fBinary = (f & device::fBinary) != 0;
    dcb.fParity = (f & device::fParity) != 0;
    dcb.fOutxCtsFlow = (f & device::fOutxCtsFlow) != 0;
    dcb.fOutxDsrFlow = (f & device::fOutxDsrFlow) != 0;
    dcb.fDtrControl = (f & device::fDtrControlMask) >> 4;
    dcb.fDsrSensitivity = (f & device::fDsrSensitivity) != 0;
    dcb.fTXContinueOnXoff = (f & device::fTXContinueOnXoff) != 0;
    dcb.fOutX = (f & device::fOutX) != 0;
    dcb.fInX = (f & device::fInX) != 0;
    dcb.fErrorChar = (f & device::fErrorChar) != 0;
    dcb.fNull = (f & device::fNull) != 0;
    dcb.fRtsControl = (f & device::fRtsControlMask) >> 12;
    dcb.fAbortOnError = (f & device::fAbortOnError) != 0;
    dcb.XonLim = settings.XonLim;
    dcb.XoffLim = settings.XoffLim;
    dcb.ByteSize = settings.ByteSize;
    dcb.Parity = settings.Parity;
    dcb.StopBits = settings.StopBits;
    dcb.XonChar = static_cast<char>(settings.XonChar);
    dcb.XoffChar = static_cast<char>(settings.XoffChar);
    dcb.ErrorChar = static_cast<char>(settings.ErrorChar);
    dcb.EofChar = static_cast<char>(settings.EofChar);
    dcb.EvtChar = static_cast<char>(settings.EvtChar);
    return dcb;
}

class Event {
public:
    Event() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Event() {
        if (handle_ != nullptr)
            ::CloseHandle(handle_);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

class CommSerialDevice final : public SerialDevice {
public:
    explicit CommSerialDevice(HANDLE port) : port_(port) {}
    ~CommSerialDevice() override {
        stopWait();
        ::CloseHandle(port_);
    }
    CommSerialDevice(const CommSerialDevice&) = delete;
    CommSerialDevice& operator=(const CommSerialDevice&) = delete;

    int setQueueSizes(std::uint32_t inputSize, std::uint32_t outputSize) override {
        return resultOf(::SetupComm(port_, inputSize, outputSize));
    }

    int setLineSettings(const DeviceControlBlock& settings) override {
        DCB dcb = toDcb(settings);
        return resultOf(::SetCommState(port_, &dcb));
    }

    int setTimeouts(const DeviceTimeouts& t) override {
        COMMTIMEOUTS timeouts{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                              t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                              t.WriteTotalTimeoutConstant};
        return resultOf(::SetCommTimeouts(port_, &timeouts));
    }

    int setEventMask(std::uint32_t mask) override { return resultOf(::SetCommMask(port_, mask)); }

    DeviceWait waitEvents() override {
        Event done;
        OVERLAPPED overlapped{};
        overlapped.hEvent = done.get();
        DWORD mask = 0;
        if (!::WaitCommEvent(port_, &mask, &overlapped)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING)
                return {DeviceWait::Outcome::HungUp, 0, static_cast<int>(error)};
            const HANDLE handles[] = {done.get(), stop_.get()};
            const DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (which != WAIT_OBJECT_0) {
                // Stopped: the pending wait must end before `mask` goes.
                ::CancelIoEx(port_, &overlapped);
                DWORD ignored = 0;
                ::GetOverlappedResult(port_, &overlapped, &ignored, TRUE);
                return {DeviceWait::Outcome::Stopped};
            }
            DWORD ignored = 0;
            if (!::GetOverlappedResult(port_, &overlapped, &ignored, FALSE))
                return {DeviceWait::Outcome::HungUp, 0, lastError()};
        }
        if (::WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0)
            return {DeviceWait::Outcome::Stopped};
        return {DeviceWait::Outcome::Events, mask};
    }

    void stopWait() override { ::SetEvent(stop_.get()); }

    int purge(std::uint32_t actions) override { return resultOf(::PurgeComm(port_, actions)); }

    int clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
        DWORD flags = 0;
        COMSTAT status{};
        if (!::ClearCommError(port_, &flags, &status))
            return lastError();
        errors = flags;
        inQueue = status.cbInQue;
        return 0;
    }

    int modemStatus(std::uint32_t& status) override {
        DWORD bits = 0;
        if (!::GetCommModemStatus(port_, &bits))
            return lastError();
        status = bits;
        return 0;
    }

    // The port's read time-outs decide how long this may wait; the component
    // sets "return at once with what is there".
    int read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override {
        got = 0;
        Event done;
        OVERLAPPED overlapped{};
        overlapped.hEvent = done.get();
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
        if (!::ReadFile(port_, buffer, want, &n, &overlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING)
                return lastError();
            if (!::GetOverlappedResult(port_, &overlapped, &n, TRUE))
                return lastError();
        }
        got = n;
        return 0;
    }

private:
    HANDLE port_;
    Event stop_;
};

class CommSerialDeviceFactory final : public SerialDeviceFactory {
public:
    std::unique_ptr<SerialDevice> open(std::u16string_view portName, int& osError) override {
        // The device namespace reaches COM10 and above too.
        const std::wstring path = L"\\\\.\\" + toWide(portName);
        const HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (port == INVALID_HANDLE_VALUE) {
            osError = lastError();
            return nullptr;
        }
        osError = 0;
        return std::make_unique<CommSerialDevice>(port);
    }
};

} // namespace

std::unique_ptr<SerialDeviceFactory> makeCommSerialDeviceFactory() {
    return std::make_unique<CommSerialDeviceFactory>();
}

} // namespace readerlink::platform
