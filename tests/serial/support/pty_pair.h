#pragma once

// A pseudo-terminal pair: the test writes on the master side as a reader
// would; the port opens the slave side by name.

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace readerlink::testing {

class PtyPair {
public:
    PtyPair() {
        char name[128] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slavePath_ = name;
    }
    ~PtyPair() {
        closeMaster();
        if (slave_ >= 0)
            ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }
    // The slave descriptor openpty gave: kept open so the terminal's settings
    // can be inspected; it never reads.
    int slave() const { return slave_; }

    void write(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw std::runtime_error("write to pty master failed");
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    // The reader is unplugged.
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace readerlink::testing
