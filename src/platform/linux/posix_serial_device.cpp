#include "platform/linux/posix_serial_device.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "platform/linux/byte_ring.h"
#include "platform/linux/com_port_diagnosis.h"
#include "platform/linux/device_path_watch.h"

namespace readerlink::platform {
namespace {

using namespace serial::device;
using serial::DeviceControlBlock;
using serial::DeviceTimeouts;
using serial::DeviceWait;

bool speedFor(std::uint32_t baud, speed_t& speed) {
    switch (baud) {
    case 110: speed = B110; return true;
    case 300: speed = B300; return true;
    case 600: speed = B600; return true;
    case 1200: speed = B1200; return true;
    case 2400: speed = B2400; return true;
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    case 230400: speed = B230400; return true;
    default: return false; // 14400, 56000, 128000, 256000 have no termios speed
    }
}

class PosixSerialDevice final : public serial::SerialDevice {
public:
    PosixSerialDevice(int fd, int wakeFd, std::shared_ptr<TtyLineSignals> signals)
        : fd_(fd), wakeFd_(wakeFd), signals_(std::move(signals)), ring_(4096) {
        // The baseline against which each wake compares.
        if (auto c = signals_->counters(fd_))
            counters_ = *c;
        int error = 0;
        if (auto lines = signals_->modemLines(fd_, error); lines && error == 0)
            lines_ = *lines;
    }

    ~PosixSerialDevice() override {
        // TIOCEXCL outlives this descriptor when another one stays open.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_); // releases the flock too
        ::close(wakeFd_);
    }

    int setQueueSizes(std::uint32_t inputSize, std::uint32_t /*outputSize: nothing is written*/) override {
        if (inputSize == 0)
            return EINVAL;
        std::lock_guard lock(mutex_);
        ring_.resize(inputSize);
        wakeForRoomLocked();
        return 0;
    }

    int setLineSettings(const DeviceControlBlock& dcb) override {
        constexpr std::uint32_t unsupported =
            fOutxDsrFlow | fDsrSensitivity | fErrorChar | fAbortOnError;
        if ((dcb.flags & unsupported) != 0 || (dcb.flags & fDtrControlMask) == fDtrHandshake ||
            (dcb.flags & fRtsControlMask) == fRtsToggle)
            return EINVAL;
        speed_t speed{};
        if (!speedFor(dcb.BaudRate, speed))
            return EINVAL;

        termios t{};
        if (tcgetattr(fd_, &t) != 0)
            return errno;
        cfmakeraw(&t);
        t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK | ISTRIP | IGNBRK | BRKINT);
        t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | HUPCL);
        // CLOCAL: a dropped carrier is an event to report, not a hang-up.
        t.c_cflag |= CLOCAL | CREAD;
        switch (dcb.ByteSize) {
        case 5: t.c_cflag |= CS5; break;
        case 6: t.c_cflag |= CS6; break;
        case 7: t.c_cflag |= CS7; break;
        case 8: t.c_cflag |= CS8; break;
        default: return EINVAL;
        }
        if (dcb.StopBits > 2)
            return EINVAL;
        if (dcb.StopBits != 0)
            t.c_cflag |= CSTOPB;
        switch (dcb.Parity) {
        case 0: break;
        case 1: t.c_cflag |= PARENB | PARODD; break;
        case 2: t.c_cflag |= PARENB; break;
        case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 4: t.c_cflag |= PARENB | CMSPAR; break;
        default: return EINVAL;
        }
        if ((dcb.flags & fParity) != 0)
            t.c_iflag |= INPCK;
        if ((dcb.flags & fOutX) != 0)
            t.c_iflag |= IXON;
        if ((dcb.flags & fInX) != 0)
            t.c_iflag |= IXOFF;
        t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
        // One bit on Linux holds output while CTS is off and drives RTS from the input level.
        const bool rtsHandshake = (dcb.flags & fRtsControlMask) == fRtsHandshake;
        if ((dcb.flags & fOutxCtsFlow) != 0 || rtsHandshake)
            t.c_cflag |= CRTSCTS;
        // With O_NONBLOCK, VMIN 1 makes "nothing waiting" EAGAIN, so a read of 0 means hang-up.
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        if (tcsetattr(fd_, TCSANOW, &t) != 0)
            return errno;

        if (const int e = signals_->setModemLine(fd_, TIOCM_DTR,
                                                 (dcb.flags & fDtrControlMask) == fDtrEnable))
            return e;
        if (!rtsHandshake) {
            if (const int e = signals_->setModemLine(fd_, TIOCM_RTS,
                                                     (dcb.flags & fRtsControlMask) == fRtsEnable))
                return e;
        }
        std::lock_guard lock(mutex_);
        discardNull_ = (dcb.flags & fNull) != 0;
        eventChar_ = dcb.EvtChar;
        return 0;
    }

    int setTimeouts(const DeviceTimeouts& t) override {
        // Reads come from the input queue and never wait; other read timeouts
        // would promise waits this device does not make.
        if (t.ReadIntervalTimeout != MAXDWORD || t.ReadTotalTimeoutMultiplier != 0 ||
            t.ReadTotalTimeoutConstant != 0)
            return EINVAL;
        return 0;
    }

    int setEventMask(std::uint32_t mask) override {
        mask_.store(mask);
        return 0;
    }

    DeviceWait waitEvents() override {
        if (hangUpPending_) {
            hangUpPending_ = false;
            return {DeviceWait::Outcome::HungUp, 0, hangUpError_};
        }
        for (;;) {
            if (stop_.load())
                return {DeviceWait::Outcome::Stopped, 0, 0};
            bool wantInput = false;
            {
                std::lock_guard lock(mutex_);
                wantInput = ring_.room() > 0;
                waitingForRoom_ = !wantInput;
            }
            pollfd fds[2] = {{fd_, static_cast<short>(wantInput ? POLLIN : 0), 0},
                             {wakeFd_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return hangUp(0, errno);
            }
            if ((fds[1].revents & POLLIN) != 0) {
                std::uint64_t count = 0;
                [[maybe_unused]] const auto r = ::read(wakeFd_, &count, sizeof count);
                if (stop_.load())
                    return {DeviceWait::Outcome::Stopped, 0, 0};
            }
            std::uint32_t events = 0;
            bool hungUp = false;
            int error = 0;
            if ((fds[0].revents & POLLIN) != 0)
                drain(events, hungUp, error);
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
                hungUp = true;
            if (!hungUp)
                events |= lineChanges();
            events &= mask_.load();
            if (hungUp)
                return hangUp(events, error);
            if (events != 0)
                return {DeviceWait::Outcome::Events, events, 0};
        }
    }

    void stopWait() override {
        stop_.store(true);
        wake();
    }

    int purge(std::uint32_t actions) override {
        // Nothing is ever left pending (reads and waits are synchronous), so
        // the abort actions have nothing to do. A hung-up line has nothing to flush.
        const bool dead = hungUp_.load();
        if ((actions & PURGE_RXCLEAR) != 0) {
            if (!dead && tcflush(fd_, TCIFLUSH) != 0)
                return errno;
            std::lock_guard lock(mutex_);
            ring_.clear();
            wakeForRoomLocked();
        }
        if ((actions & PURGE_TXCLEAR) != 0 && !dead && tcflush(fd_, TCOFLUSH) != 0)
            return errno;
        return 0;
    }

    int clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
        std::lock_guard lock(mutex_);
        errors = std::exchange(pendingErrors_, 0);
        inQueue = static_cast<std::uint32_t>(ring_.size());
        return 0;
    }

    int modemStatus(std::uint32_t& status) override {
        int error = 0;
        const std::optional<int> lines = signals_->modemLines(fd_, error);
        if (error != 0)
            return error;
        if (!lines) {
            // No modem lines (pseudo-terminals, many USB adapters): report
            // them on, as nothing holds the line back there.
            status = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
            return 0;
        }
        status = 0;
        if ((*lines & TIOCM_CTS) != 0)
            status |= MS_CTS_ON;
        if ((*lines & TIOCM_DSR) != 0)
            status |= MS_DSR_ON;
        if ((*lines & TIOCM_RNG) != 0)
            status |= MS_RING_ON;
        if ((*lines & TIOCM_CAR) != 0)
            status |= MS_RLSD_ON;
        return 0;
    }

    int read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override {
        std::lock_guard lock(mutex_);
        got = ring_.read(buffer, size);
        wakeForRoomLocked();
        return 0;
    }

private:
    DeviceWait hangUp(std::uint32_t events, int error) {
        hungUp_.store(true);
        // Bytes that came with the hang-up are announced first.
        if (events != 0) {
            hangUpPending_ = true;
            hangUpError_ = error;
            return {DeviceWait::Outcome::Events, events, 0};
        }
        return {DeviceWait::Outcome::HungUp, 0, error};
    }

    void wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto r = ::write(wakeFd_, &one, sizeof one);
    }

    void wakeForRoomLocked() {
        if (waitingForRoom_ && ring_.room() > 0) {
            waitingForRoom_ = false;
            wake();
        }
    }

    // Moves what the driver holds into the input queue, as far as it has room.
    void drain(std::uint32_t& events, bool& hungUp, int& error) {
        std::uint8_t chunk[4096];
        for (;;) {
            std::size_t room = 0;
            bool discardNull = false;
            std::uint8_t eventChar = 0;
            {
                std::lock_guard lock(mutex_);
                room = ring_.room();
                discardNull = discardNull_;
                eventChar = eventChar_;
            }
            if (room == 0)
                return;
            const ssize_t n = ::read(fd_, chunk, std::min(room, sizeof chunk));
            if (n == 0) {
                hungUp = true;
                return;
            }
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    hungUp = true;
                    error = errno;
                }
                return;
            }
            std::size_t kept = static_cast<std::size_t>(n);
            if (discardNull)
                kept = static_cast<std::size_t>(std::remove(chunk, chunk + kept, 0) - chunk);
            if (kept == 0)
                continue;
            if (std::find(chunk, chunk + kept, eventChar) != chunk + kept)
                events |= EV_RXFLAG;
            std::lock_guard lock(mutex_);
            const std::size_t full = ring_.capacity() * 8 / 10;
            const std::size_t before = ring_.size();
            ring_.write(chunk, kept); // room only grows meanwhile
            events |= EV_RXCHAR;
            if (before < full && ring_.size() >= full)
                events |= EV_RX80FULL;
        }
    }

    // Breaks, line errors and modem-line changes since the last wake.
    std::uint32_t lineChanges() {
        std::uint32_t events = 0;
        std::uint32_t errors = 0;
        if (auto c = signals_->counters(fd_)) {
            if (c->frame != counters_.frame)
                errors |= CE_FRAME;
            if (c->parity != counters_.parity)
                errors |= CE_RXPARITY;
            if (c->overrun != counters_.overrun)
                errors |= CE_OVERRUN;
            if (c->bufOverrun != counters_.bufOverrun)
                errors |= CE_RXOVER;
            if (c->brk != counters_.brk) {
                errors |= CE_BREAK;
                events |= EV_BREAK;
            }
            if (c->cts != counters_.cts)
                events |= EV_CTS;
            if (c->dsr != counters_.dsr)
                events |= EV_DSR;
            if (c->dcd != counters_.dcd)
                events |= EV_RLSD;
            if (c->rng != counters_.rng)
                events |= EV_RING;
            counters_ = *c;
        }
        int error = 0;
        if (auto lines = signals_->modemLines(fd_, error); lines && error == 0) {
            const int changed = *lines ^ lines_;
            if ((changed & TIOCM_CTS) != 0)
                events |= EV_CTS;
            if ((changed & TIOCM_DSR) != 0)
                events |= EV_DSR;
            if ((changed & TIOCM_CAR) != 0)
                events |= EV_RLSD;
            if ((changed & TIOCM_RNG) != 0 && (*lines & TIOCM_RNG) == 0)
                events |= EV_RING; // the end of a ring
            lines_ = *lines;
        }
        if ((errors & ~CE_BREAK) != 0)
            events |= EV_ERR;
        if (errors != 0) {
            std::lock_guard lock(mutex_);
            pendingErrors_ |= errors;
        }
        return events;
    }

    const int fd_;
    const int wakeFd_;
    const std::shared_ptr<TtyLineSignals> signals_;
    std::atomic<std::uint32_t> mask_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};

    std::mutex mutex_; // guards the members below up to the event-thread-only ones
    ByteRing ring_;
    std::uint32_t pendingErrors_ = 0;
    bool waitingForRoom_ = false;
    bool discardNull_ = false;
    std::uint8_t eventChar_ = 0;

    // Event thread only (and the constructor, before the thread exists).
    TtyCounters counters_{};
    int lines_ = 0;
    bool hangUpPending_ = false;
    int hangUpError_ = 0;
};

class PosixSerialDeviceFactory final : public serial::SerialDeviceFactory {
public:
    PosixSerialDeviceFactory(ComPortPaths paths, std::shared_ptr<TtyLineSignals> signals)
        : paths_(std::move(paths)),
          signals_(signals ? std::move(signals) : makeTtyLineSignals()) {}

    std::unique_ptr<serial::SerialDevice> open(std::u16string_view portName, int& osError) override {
        osError = 0;
        const std::optional<std::string> path = resolveComPortPath(portName, paths_);
        if (!path) {
            osError = ENOENT;
            return nullptr;
        }
        const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            osError = errno;
            return nullptr;
        }
        auto fail = [&](int error) {
            osError = error;
            ::close(fd);
            return nullptr;
        };
        if (!isatty(fd))
            return fail(ENOTTY);
        // Exclusive access: TIOCEXCL keeps other users out, but root passes it;
        // the lock is what stops a second copy of this program.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
            return fail(errno == EWOULDBLOCK ? EBUSY : errno);
        if (ioctl(fd, TIOCEXCL) != 0)
            return fail(errno);
        const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0)
            return fail(errno);
        return std::make_unique<PosixSerialDevice>(fd, wakeFd, signals_);
    }

    std::string devicePath(std::u16string_view portName) override {
        const std::optional<std::string> path = resolveComPortPath(portName, paths_);
        if (!path)
            return {};
        if (inPortsFolder(*path)) {
            const std::filesystem::path target = linkTarget(*path);
            if (target != *path)
                return *path + " -> " + target.string();
        }
        return *path;
    }

    std::string explainOpenFailure(std::u16string_view portName, int osError) override {
        const std::optional<std::string> path = resolveComPortPath(portName, paths_);
        std::vector<DeviceHolder> holders;
        if (path && osError == EBUSY)
            holders = processesHolding(*path);
        std::string name;
        for (char16_t c : portName)
            name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return describeOpenFailure(name, path ? std::optional(devicePath(portName)) : std::nullopt,
                                   osError, holders);
    }

    std::string otherUsers(std::u16string_view portName) override {
        const std::optional<std::string> path = resolveComPortPath(portName, paths_);
        return path ? describeHolders(processesHolding(*path)) : std::string{};
    }

    std::unique_ptr<serial::DeviceWatch> watchForDevice(std::u16string_view portName,
                                                        std::function<void()> appeared) override {
        const std::optional<std::string> path = resolveComPortPath(portName, paths_);
        if (!path)
            return nullptr;
        // A link in the ports folder stays when the adapter goes; the device
        // link it names is what comes back.
        try {
            return watchDevicePath(inPortsFolder(*path) ? linkTarget(*path) : std::filesystem::path(*path),
                                   std::move(appeared));
        } catch (const std::system_error&) {
            return nullptr;
        }
    }

private:
    bool inPortsFolder(const std::filesystem::path& path) const {
        return !paths_.portsFolder.empty() && path.parent_path() == paths_.portsFolder;
    }

    ComPortPaths paths_;
    std::shared_ptr<TtyLineSignals> signals_;
};

} // namespace

std::unique_ptr<serial::SerialDeviceFactory>
makePosixSerialDeviceFactory(ComPortPaths paths, std::shared_ptr<TtyLineSignals> signals) {
    return std::make_unique<PosixSerialDeviceFactory>(std::move(paths), std::move(signals));
}

} // namespace readerlink::platform
