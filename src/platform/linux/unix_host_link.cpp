#include "platform/linux/unix_host_link.h"

#include "common/text.h"
#include "delivery/host_protocol.h"
#include "platform/linux/host_socket_location.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

using Clock = std::chrono::steady_clock;

class SocketFd {
public:
    explicit SocketFd(int fd) : fd_(fd) {}
    ~SocketFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SocketFd(const SocketFd&) = delete;
    SocketFd& operator=(const SocketFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::chrono::milliseconds remaining(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

// Waits until fd is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = remaining(deadline);
        if (left.count() == 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60'000)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

class UnixHostLink final : public HostLink {
public:
    explicit UnixHostLink(UnixHostLinkOptions options) : options_(options) {}

    HostSendResult send(WindowId sender, const HostRecordBytes& record) override {
        const auto deadline = Clock::now() + options_.answerBound;
        const HostSocketLocation location = currentHostSocketLocation();
        // A missing folder is a host never started; anything else there that
        // is not private could let another user pose as the host.
        struct stat folder {};
        if (::lstat(location.folder.c_str(), &folder) != 0 && errno == ENOENT)
            return {HostDelivery::NoHost};
        if (const auto problem = privateFolderProblem(location.folder))
            return {HostDelivery::Unsafe, 0, fromUtf8(*problem)};

        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (location.socketPath.size() >= sizeof(address.sun_path))
            return {HostDelivery::NoHost};
        std::memcpy(address.sun_path, location.socketPath.c_str(), location.socketPath.size() + 1);

        SocketFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (fd.get() < 0)
            return {HostDelivery::NotSent};

        // A host that accepts nothing fills its queue; then connect waits for
        // room, and the send time-out keeps that wait within the bound too.
        for (;;) {
            const auto left = remaining(deadline);
            if (left.count() == 0)
                return {HostDelivery::NotSent};
            timeval tv{};
            tv.tv_sec = static_cast<time_t>(left.count() / 1000);
            tv.tv_usec = static_cast<suseconds_t>((left.count() % 1000) * 1000);
            ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
            if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
                0)
                break;
            if (errno == EINTR)
                continue;
            if (errno == ENOENT || errno == ECONNREFUSED || errno == ENOTDIR)
                return {HostDelivery::NoHost};
            return {HostDelivery::NotSent};
        }
        ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);

        HostRequestHeader header;
        header.senderWindow = sender;
        header.cbData = static_cast<std::uint32_t>(record.size());
        std::array<std::uint8_t, kHostRequestHeaderSize + kHostDataRecordSize> request{};
        const auto headerBytes = encodeHostRequestHeader(header);
        std::copy(headerBytes.begin(), headerBytes.end(), request.begin());
        std::copy(record.begin(), record.end(), request.begin() + kHostRequestHeaderSize);

        std::size_t written = 0;
        while (written < request.size()) {
            const ssize_t n =
                ::send(fd.get(), request.data() + written, request.size() - written, MSG_NOSIGNAL);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                if (!waitFor(fd.get(), POLLOUT, deadline))
                    return {HostDelivery::NotSent};
            } else {
                return {HostDelivery::NotSent};
            }
        }

        HostAnswerBytes answer{};
        std::size_t got = 0;
        while (got < answer.size()) {
            const ssize_t n = ::recv(fd.get(), answer.data() + got, answer.size() - got, 0);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                if (!waitFor(fd.get(), POLLIN, deadline))
                    return {HostDelivery::NoAnswer};
            } else {
                // End of stream or a reset: a host that drops the record
                // without reading it looks exactly like this.
                return {HostDelivery::Closed};
            }
        }
        return {HostDelivery::Answered, decodeHostAnswer(answer)};
    }

private:
    UnixHostLinkOptions options_;
};

} // namespace

std::unique_ptr<HostLink> makeUnixHostLink(UnixHostLinkOptions options) {
    return std::make_unique<UnixHostLink>(options);
}

} // namespace readerlink::platform
