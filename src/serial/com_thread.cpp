#include "serial/com_thread.h"

#include <cstring>

#include "common/text.h"
#include "serial/comport.h"

namespace readerlink::serial {
namespace {

std::u16string hangUpReason(int osError) {
    std::u16string reason = u"the device was disconnected";
    if (osError > 0)
        reason += u" (Error: " + toDecimal(osError) + u")";
    return reason;
}

} // namespace

ComThread::ComThread(CustomComPort& port, SerialDevice& device, UiThread& mainThread,
                     ComEvents events)
    : FComPort(port), device_(device), handOver_(mainThread) {
    // Unchecked: a device that refuses the mask still ends its wait on stop.
    device_.setEventMask(EventsToMask(events));
    thread_ = std::thread([this] { Execute(); });
}

ComThread::~ComThread() {
    if (thread_.joinable())
        Stop();
}

void ComThread::Stop() {
    device_.stopWait();
    std::this_thread::yield();
    handOver_.waitUntilFinished();
    thread_.join();
}

void ComThread::Execute() {
    for (;;) {
        const DeviceWait wait = device_.waitEvents();
        if (wait.outcome == DeviceWait::Outcome::Stopped)
            break;
        if (wait.outcome == DeviceWait::Outcome::HungUp) {
            const std::u16string reason = hangUpReason(wait.osError);
            handOver_.run([this, &reason] {
                FComPort.FDeviceGone = true;
                FComPort.DoEventThreadEnd(reason);
            });
            break;
        }
        FEvents = MaskToEvents(wait.mask);
        if (FEvents.empty())
            continue;
        // An error in the hand-over was already reported on the main thread.
        if (handOver_.run([this] { FComPort.HandOverEvents(FEvents); }))
            break;
    }
    device_.setEventMask(0);
    device_.purge(device::PURGE_TXCLEAR | device::PURGE_RXCLEAR);
    handOver_.finished();
}

} // namespace readerlink::serial
