#pragma once

// The window's hooks into the subsystems that do the station's work. Each
// runs on the user-interface thread and may throw; the station's handler
// dispatch shows what escapes on the default error display.

namespace readerlink::station {

// The desk passport reader (reader item 3).
class PassportReaderLink {
public:
    virtual ~PassportReaderLink() = default;
    // The reader's part of "Connect", after the choices were saved.
    virtual void connect() = 0;
    // One capture-and-read pass ("Read", a ready document).
    virtual void captureAndRead() = 0;
};

// The serial MRZ readers (reader items 1, 5 and 6).
class SerialReaderLink {
public:
    virtual ~SerialReaderLink() = default;
    // The serial part of "Connect", after the choices were saved.
    virtual void connect() = 0;
    // First step of closing the window; harmless when the port never opened.
    virtual void closePort() = 0;
    // The station's BufferTimer expired.
    virtual void bufferTimerExpired() = 0;
};

// The one exit to the target application; works on ScanData and the choices.
class DeliveryLink {
public:
    virtual ~DeliveryLink() = default;
    virtual void sendDataToApp() = 0;
};

} // namespace readerlink::station
