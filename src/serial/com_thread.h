#pragma once

#include <thread>

#include "serial/com_events.h"
#include "serial/hand_over.h"
#include "serial/serial_device.h"

namespace readerlink::serial {

class CustomComPort;

// The event thread of an open port: sleeps in the device wait and hands each
// batch of events to the main thread, blocking until it has been handled.
class ComThread {
public:
    // Sets the device's event mask and starts the thread.
    ComThread(CustomComPort& port, SerialDevice& device, UiThread& mainThread, ComEvents events);
    // Stops the thread if Stop was not called.
    ~ComThread();
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;

    // Main thread: signals the stop and waits for the thread to end, running
    // the hand-overs it has queued meanwhile.
    void Stop();

private:
    void Execute();

    CustomComPort& FComPort;
    SerialDevice& device_;
    HandOver handOver_;
    ComEvents FEvents; // the batch being handed over
    std::thread thread_;
};

} // namespace readerlink::serial
