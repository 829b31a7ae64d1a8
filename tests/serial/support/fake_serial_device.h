#pragma once

// A serial device in memory: records what the port asks of it, fails on
// request, and produces the events and bytes the test queues.

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_device.h"

namespace readerlink::testing {

struct FakeLine {
    std::mutex mutex;
    std::condition_variable changed;

    // What the port asked (main thread unless noted).
    std::vector<std::u16string> opened;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> queueSizes;
    std::vector<serial::DeviceControlBlock> lineSettings;
    std::vector<serial::DeviceTimeouts> timeouts;
    std::vector<std::uint32_t> masks;  // also from the event thread
    std::vector<std::uint32_t> purges; // also from the event thread
    int liveDevices = 0;

    // Failures to inject: the OS error number each operation answers.
    int openError = 0;
    std::map<std::string, int> fail; // "queues", "line", "timeouts", "purge", "errors", "modem", "read"

    // What the device holds.
    std::deque<std::uint32_t> events; // batches for waitEvents
    std::string input;
    std::uint32_t errorFlags = 0;
    std::uint32_t modem = serial::device::MS_CTS_ON | serial::device::MS_DSR_ON;

    void queueEvents(std::uint32_t mask) {
        {
            std::lock_guard lock(mutex);
            events.push_back(mask);
        }
        changed.notify_all();
    }
    int failure(const std::string& operation) {
        auto it = fail.find(operation);
        return it == fail.end() ? 0 : it->second;
    }
};

class FakeSerialDevice : public serial::SerialDevice {
public:
    explicit FakeSerialDevice(FakeLine& line) : line_(line) {
        std::lock_guard lock(line_.mutex);
        ++line_.liveDevices;
    }
    ~FakeSerialDevice() override {
        std::lock_guard lock(line_.mutex);
        --line_.liveDevices;
    }
    int setQueueSizes(std::uint32_t in, std::uint32_t out) override {
        std::lock_guard lock(line_.mutex);
        line_.queueSizes.emplace_back(in, out);
        return line_.failure("queues");
    }
    int setLineSettings(const serial::DeviceControlBlock& dcb) override {
        std::lock_guard lock(line_.mutex);
        line_.lineSettings.push_back(dcb);
        return line_.failure("line");
    }
    int setTimeouts(const serial::DeviceTimeouts& t) override {
        std::lock_guard lock(line_.mutex);
        line_.timeouts.push_back(t);
        return line_.failure("timeouts");
    }
    int setEventMask(std::uint32_t mask) override {
        std::lock_guard lock(line_.mutex);
        line_.masks.push_back(mask);
        return 0;
    }
    serial::DeviceWait waitEvents() override {
        std::unique_lock lock(line_.mutex);
        line_.changed.wait(lock, [&] { return stopped_ || !line_.events.empty(); });
        if (stopped_)
            return {serial::DeviceWait::Outcome::Stopped, 0, 0};
        const std::uint32_t mask = line_.events.front();
        line_.events.pop_front();
        return {serial::DeviceWait::Outcome::Events, mask, 0};
    }
    void stopWait() override {
        {
            std::lock_guard lock(line_.mutex);
            stopped_ = true;
        }
        line_.changed.notify_all();
    }
    int purge(std::uint32_t actions) override {
        std::lock_guard lock(line_.mutex);
        line_.purges.push_back(actions);
        return line_.failure("purge");
    }
    int clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override {
        std::lock_guard lock(line_.mutex);
        if (const int e = line_.failure("errors"))
            return e;
        errors = std::exchange(line_.errorFlags, 0);
        inQueue = static_cast<std::uint32_t>(line_.input.size());
        return 0;
    }
    int modemStatus(std::uint32_t& status) override {
        std::lock_guard lock(line_.mutex);
        status = line_.modem;
        return line_.failure("modem");
    }
    int read(std::uint8_t* buffer, std::size_t size, std::size_t& got) override {
        std::lock_guard lock(line_.mutex);
        if (const int e = line_.failure("read"))
            return e;
        got = std::min(size, line_.input.size());
        std::copy_n(line_.input.begin(), got, buffer);
        line_.input.erase(0, got);
        return 0;
    }

private:
    FakeLine& line_;
    bool stopped_ = false; // guarded by line_.mutex
};

class FakeSerialDevices : public serial::SerialDeviceFactory {
public:
    std::unique_ptr<serial::SerialDevice> open(std::u16string_view name, int& osError) override {
        {
            std::lock_guard lock(line.mutex);
            line.opened.emplace_back(name);
            osError = line.openError;
        }
        if (osError != 0)
            return nullptr;
        return std::make_unique<FakeSerialDevice>(line);
    }
    FakeLine line;
};

} // namespace readerlink::testing
