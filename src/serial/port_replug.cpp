#include "serial/port_replug.h"

#include "common/error.h"
#include "common/text.h"

namespace readerlink::serial {

PortReplug::PortReplug(ComPort& port, SerialDeviceFactory& devices, UiThread& mainThread,
                       ActivityLog& log)
    : port_(port), devices_(devices), mainThread_(mainThread), log_(log) {}

PortReplug::~PortReplug() {
    watch_.reset();
}

void PortReplug::deviceGone(const std::u16string& reason) {
    const unsigned generation = ++generation_;
    watch_.reset();
    // Closing waits for the event thread, which waits for this hand-over.
    mainThread_.post([this, alive = std::weak_ptr<int>(alive_), generation, reason] {
        if (!alive.expired() && generation == generation_)
            closeAndWatch(generation, reason);
    });
}

void PortReplug::cancel() {
    ++generation_;
    watch_.reset();
}

void PortReplug::closeAndWatch(unsigned generation, const std::u16string& reason) {
    const std::u16string name = port_.Port();
    const std::u16string prefix = u"Serial port " + name + u" stopped receiving: " + reason;
    try {
        port_.Close();
    } catch (const std::exception& e) {
        log_.logStatus(prefix + u". It could not be closed (" + messageOf(e) +
                       u"). Press \"Connect\" to reopen it.");
        return;
    }
    watch_ = devices_.watchForDevice(name, [this, alive = std::weak_ptr<int>(alive_), generation] {
        mainThread_.post([this, alive, generation] {
            if (!alive.expired() && generation == generation_)
                reopen();
        });
    });
    const std::u16string path = fromUtf8(devices_.devicePath(name));
    if (watch_)
        log_.logStatus(prefix + u". Closed; it reopens by itself when " + path + u" is back.");
    else
        log_.logStatus(prefix + u". Closed. Press \"Connect\" to reopen it.");
}

void PortReplug::reopen() {
    watch_.reset();
    ++generation_;
    const std::u16string name = port_.Port();
    const std::u16string path = fromUtf8(devices_.devicePath(name));
    try {
        port_.Open();
    } catch (const std::exception& e) {
        if (const auto* error = dynamic_cast<const ComPortError*>(&e);
            error && error->Code() == static_cast<int>(ComErrorCode::OpenFailed) &&
            error->WinCode() > 0)
            if (const std::string why =
                    devices_.explainOpenFailure(name, static_cast<int>(error->WinCode()));
                !why.empty())
                log_.log(fromUtf8(why));
        log_.logStatus(u"Serial port " + name + u": " + path +
                       u" is back but could not be opened: " + messageOf(e) +
                       u". Press \"Connect\" to reopen it.");
        return;
    }
    log_.logStatus(u"Serial port " + name + u" reopened: " + path + u" is back.");
}

} // namespace readerlink::serial
