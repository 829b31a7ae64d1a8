// Reads a burst from a COM port through the comm backend and checks it byte
// for byte against the pattern serial-burst writes: byte i is (i*7 + i/256) mod 256.
#include "platform/windows/comm_serial_device.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace readerlink;

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const std::string name = argv[1];
    const std::size_t expected = std::strtoul(argv[2], nullptr, 10);
    int error = 0;
    auto device = platform::makeCommSerialDeviceFactory()->open(
        std::u16string(name.begin(), name.end()), error);
    if (!device) {
        std::printf("cannot open %s: error %d\n", name.c_str(), error);
        return 1;
    }
    serial::DeviceControlBlock dcb;
    dcb.BaudRate = 115200;
    dcb.flags = serial::device::fBinary;
    dcb.ByteSize = 8;
    // Return at once with what is there.
    serial::DeviceTimeouts timeouts;
    timeouts.ReadIntervalTimeout = serial::device::MAXDWORD;
    std::uint32_t errors = 0;
    std::uint32_t inQueue = 0;
    if (int e = device->setQueueSizes(65536, 4096) | device->setLineSettings(dcb) |
                device->setTimeouts(timeouts) |
                device->purge(serial::device::PURGE_RXCLEAR | serial::device::PURGE_TXCLEAR) |
                device->clearErrors(errors, inQueue)) {
        std::printf("cannot configure %s: error %d\n", name.c_str(), e);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    std::vector<std::uint8_t> got;
    std::uint8_t buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (got.size() < expected && std::chrono::steady_clock::now() < deadline) {
        std::size_t n = 0;
        if (int e = device->read(buffer, sizeof buffer, n)) {
            std::printf("read failed: error %d\n", e);
            return 1;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    if (got.size() != expected) {
        std::printf("got %zu of %zu bytes\n", got.size(), expected);
        return 1;
    }
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != static_cast<std::uint8_t>(i * 7 + i / 256)) {
            std::printf("byte %zu differs\n", i);
            return 1;
        }
    }
    std::printf("burst of %zu bytes arrived exactly\n", got.size());
    return 0;
}
