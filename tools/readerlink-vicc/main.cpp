// readerlink-vicc: a specimen's chip as a contactless card for pcscd, through
// the vpcd driver of vsmartcard-vpcd. BAC is enforced as on the virtual
// reader, so any PC/SC application can read the specimens.
//
//   readerlink-vicc [--port N] [--short] [--remove-after N] SPECIMEN.json
//
// vpcd listens on localhost, port 35963 for reader "Virtual PCD 00 00" and
// 35964 for "00 01". Each message is a two-byte big-endian length and a
// payload; a one-byte payload is a control (0 power off, 1 power on,
// 2 reset, 4 send the ATR), anything longer a command APDU answered with its
// response APDU. Closing the connection takes the card out of the reader.

#include "reader/chip/virtual_chip.h"
#include "reader/virtual/specimen.h"
#include "specimen_chip.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace readerlink;

constexpr int kDefaultPort = 35963;

// ISO 14443-4 card as a PC/SC reader shows it: T=1, historical bytes with
// the card capabilities (third byte 40: extended Lc and Le).
chip::Bytes makeAtr(bool extended) {
    chip::Bytes atr{0x3B, 0x85, 0x80,
                    0x01, 0x80, 0x73,
                    0x00, 0x21, static_cast<std::uint8_t>(extended ? 0x40 : 0x00)};
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < atr.size(); ++i)
        check ^= atr[i];
    atr.push_back(check);
    return atr;
}

bool readAll(int fd, std::uint8_t* into, std::size_t size) {
    // vpcd writes a frame's length and payload apart; acknowledging at once
    // keeps delayed ACKs from holding every exchange up by tens of ms.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    while (size > 0) {
        const ssize_t got = ::read(fd, into, size);
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool send(int fd, const chip::Bytes& payload) {
    chip::Bytes frame{static_cast<std::uint8_t>(payload.size() >> 8),
                      static_cast<std::uint8_t>(payload.size())};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return ::write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
}

int usage() {
    std::cerr << "usage: readerlink-vicc [--port N] [--short] [--remove-after N] SPECIMEN.json\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int port = kDefaultPort;
    bool extended = true;
    std::optional<long> removeAfter;
    std::string specimenFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--short") {
            extended = false;
        } else if (arg == "--remove-after" && i + 1 < argc) {
            removeAfter = std::atol(argv[++i]);
        } else if (!arg.starts_with("--") && specimenFile.empty()) {
            specimenFile = arg;
        } else {
            return usage();
        }
    }
    if (specimenFile.empty())
        return usage();

    std::optional<chip::VirtualChip> card;
    try {
        const std::filesystem::path file(specimenFile);
        card.emplace(
            specimentool::chipDocumentOf(virtualreader::loadSpecimen(file, file.parent_path())));
    } catch (const std::exception& e) {
        std::cerr << "readerlink-vicc: " << e.what() << "\n";
        return 1;
    }

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::cerr << "readerlink-vicc: no vpcd on localhost port " << port
                  << " (is pcscd running with vsmartcard-vpcd?): " << std::strerror(errno) << "\n";
        return 1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    const chip::Bytes atr = makeAtr(extended);
    long commands = 0;
    while (true) {
        std::uint8_t header[2];
        if (!readAll(fd, header, 2))
            break; // pcscd went away
        chip::Bytes payload(static_cast<std::size_t>(header[0] << 8 | header[1]));
        if (!readAll(fd, payload.data(), payload.size()))
            break;
        if (payload.size() == 1) {
            switch (payload[0]) {
            case 0: // power off
            case 1: // power on
            case 2:
                card->reset();
                break;
            case 4:
                if (!send(fd, atr))
                    return 1;
                break;
            default:
                break;
            }
            continue;
        }
        if (removeAfter && ++commands > *removeAfter)
            break; // the card leaves mid-read
        if (!send(fd, card->transmit(payload)))
            break;
    }
    ::close(fd);
    return 0;
}
