#include "platform/linux/tty_line_signals.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace readerlink::platform {
namespace {

bool unsupported(int error) {
    return error == ENOTTY || error == EINVAL;
}

class DriverLineSignals final : public TtyLineSignals {
public:
    std::optional<int> modemLines(int fd, int& osError) override {
        osError = 0;
        int bits = 0;
        if (ioctl(fd, TIOCMGET, &bits) == 0)
            return bits;
        if (unsupported(errno))
            return std::nullopt;
        osError = errno;
        return 0;
    }

    std::optional<TtyCounters> counters(int fd) override {
        serial_icounter_struct c{};
        if (ioctl(fd, TIOCGICOUNT, &c) != 0)
            return std::nullopt;
        TtyCounters t;
        t.cts = static_cast<std::uint32_t>(c.cts);
        t.dsr = static_cast<std::uint32_t>(c.dsr);
        t.rng = static_cast<std::uint32_t>(c.rng);
        t.dcd = static_cast<std::uint32_t>(c.dcd);
        t.frame = static_cast<std::uint32_t>(c.frame);
        t.overrun = static_cast<std::uint32_t>(c.overrun);
        t.parity = static_cast<std::uint32_t>(c.parity);
        t.brk = static_cast<std::uint32_t>(c.brk);
        t.bufOverrun = static_cast<std::uint32_t>(c.buf_overrun);
        return t;
    }

    int setModemLine(int fd, int line, bool on) override {
        if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || unsupported(errno))
            return 0;
        return errno;
    }
};

} // namespace

std::shared_ptr<TtyLineSignals> makeTtyLineSignals() {
    return std::make_shared<DriverLineSignals>();
}

} // namespace readerlink::platform
