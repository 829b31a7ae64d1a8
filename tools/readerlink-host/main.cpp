// readerlink-host: the reference host application. It listens where the
// station looks for its host and prints every record it receives.

#include "common/error.h"
#include "common/text.h"
#include "delivery/host_data_record.h"
#include "delivery/host_protocol.h"
#include "platform/linux/host_socket_location.h"
#include "record_printer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace readerlink;
using namespace readerlink::platform;

constexpr int kClientTimeoutMs = 5000;

using host::Options;

char g_socketPath[sizeof(sockaddr_un::sun_path)] = {};

extern "C" void onStopSignal(int) {
    if (g_socketPath[0] != '\0')
        ::unlink(g_socketPath);
    ::_exit(0);
}

void usage(FILE* to) {
    std::fputs("usage: readerlink-host [--hex] [--quiet] [--no-answer] [--drop] [--count N]\n"
               "  Listens where the station looks for its host application and prints\n"
               "  each record: kind, textLength and the text (Windows-1252).\n"
               "  --hex        also print the whole record as a hex dump\n"
               "  --quiet      print only the listening line and problems\n"
               "  --no-answer  take records but never answer (a stuck host)\n"
               "  --drop       close each connection unread once the record arrives\n"
               "  --count N    exit after N records\n",
               to);
}

bool sendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads one request; false when the peer went away, stalled or sent garbage.
bool readRequest(int fd, HostRequestReader& reader, long number) {
    std::uint8_t buffer[4096];
    while (reader.state() == HostRequestReader::State::NeedMore) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kClientTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            std::fprintf(stderr, "request %ld: the sender stalled, connection dropped\n", number);
            return false;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::fprintf(stderr, "request %ld: the sender closed the connection early\n", number);
            return false;
        }
        // One request per connection: bytes after it are ignored.
        reader.feed({buffer, static_cast<std::size_t>(n)});
    }
    if (reader.state() == HostRequestReader::State::Invalid) {
        std::fprintf(stderr, "request %ld refused: %s\n", number, reader.problem().c_str());
        return false;
    }
    return true;
}

// Prints the request and returns the answer the host gives it.
std::int64_t report(const HostRequestReader& reader, long number, const Options& options) {
    const HostRequestHeader& header = reader.header();
    return host::printRequest(number, header.senderWindow, header.dwData, header.cbData,
                              reader.payload(), options);
}

int listenSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path))
        throw Error(u"The socket path is too long: " + fromUtf8(path));
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw Error(u"Cannot create a socket: " + fromUtf8(std::strerror(errno)));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        throw Error(u"Another host application is already listening on " + fromUtf8(path));
    ::close(fd);
    // Left behind by a host that did not end cleanly.
    ::unlink(path.c_str());

    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        throw Error(u"Cannot create a socket: " + fromUtf8(std::strerror(errno)));
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0)
        throw Error(u"Cannot listen on " + fromUtf8(path) + u": " + fromUtf8(std::strerror(errno)));
    ::chmod(path.c_str(), 0600);
    std::memcpy(g_socketPath, path.c_str(), path.size() + 1);
    return listener;
}

int run(const Options& options) {
    const HostSocketLocation location = currentHostSocketLocation();
    ensurePrivateFolder(location.folder);
    const int listener = listenSocket(location.socketPath);

    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("listening on %s\n", location.socketPath.c_str());
    std::fflush(stdout);

    std::vector<int> unanswered; // held open so the sender sees no answer, not a close
    long received = 0;
    for (;;) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            throw Error(u"Cannot accept a connection: " + fromUtf8(std::strerror(errno)));
        }
        HostRequestReader reader;
        const long number = received + 1;
        if (options.drop) {
            // Waits for the record so the sender's write has succeeded; the
            // close with unread bytes then resets the connection.
            pollfd p{client, POLLIN, 0};
            while (::poll(&p, 1, kClientTimeoutMs) < 0 && errno == EINTR) {
            }
            ::close(client);
            received = number;
            std::printf("record %ld dropped unread\n", number);
            std::fflush(stdout);
            if (options.count > 0 && received >= options.count)
                break;
            continue;
        }
        if (!readRequest(client, reader, number)) {
            ::close(client);
            continue;
        }
        received = number;
        const std::int64_t answer = report(reader, number, options);
        if (options.noAnswer) {
            unanswered.push_back(client);
        } else {
            const auto bytes = encodeHostAnswer(answer);
            if (!sendAll(client, bytes.data(), bytes.size()) && !options.quiet)
                std::fprintf(stderr, "record %ld: the sender left before the answer\n", number);
            ::close(client);
        }
        if (options.count > 0 && received >= options.count)
            break;
    }
    for (int fd : unanswered)
        ::close(fd);
    ::close(listener);
    ::unlink(location.socketPath.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        usage(stdout);
        return 0;
    }
    Options options;
    if (!host::parseOptions(argc, argv, options)) {
        usage(stderr);
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "readerlink-host: %s\n", e.what());
        return 1;
    }
}
