#pragma once

namespace readerlink {

// Lets pending window messages (clicks, timers, reader events) run in the
// middle of a long step, as the read workflow does at fixed points.
class MessageLoop {
public:
    virtual ~MessageLoop() = default;
    virtual void processMessages() = 0;
};

} // namespace readerlink
