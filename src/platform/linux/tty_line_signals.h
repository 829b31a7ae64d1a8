#pragma once

// The modem lines and line-error counters of a serial device. A pseudo-terminal
// has neither and cannot produce breaks or line errors, so tests supply them
// through a fake of this seam.

#include <cstdint>
#include <memory>
#include <optional>

namespace readerlink::platform {

// Running totals since the device was opened (as the driver counts them).
struct TtyCounters {
    std::uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;
    std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    friend bool operator==(const TtyCounters&, const TtyCounters&) = default;
};

class TtyLineSignals {
public:
    virtual ~TtyLineSignals() = default;
    // The TIOCM_* line bits. nullopt when the device has no modem lines;
    // otherwise 0 or the error number in `osError`.
    virtual std::optional<int> modemLines(int fd, int& osError) = 0;
    // nullopt when the device keeps no counters.
    virtual std::optional<TtyCounters> counters(int fd) = 0;
    // Raises or drops one output line (TIOCM_DTR, TIOCM_RTS): 0, or the error
    // number. A device without modem lines has nothing to drive and answers 0.
    virtual int setModemLine(int fd, int line, bool on) = 0;
};

// The driver's own answers (TIOCMGET, TIOCGICOUNT, TIOCMBIS/TIOCMBIC).
std::shared_ptr<TtyLineSignals> makeTtyLineSignals();

} // namespace readerlink::platform
