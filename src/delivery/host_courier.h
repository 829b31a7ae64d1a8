#pragma once

#include "common/activity_log.h"
#include "common/ui_thread.h"
#include "delivery/host_link.h"

#include <memory>
#include <string>
#include <thread>

namespace readerlink {

// Logs what became of one text sent to the host application; the text goes
// into the log whenever the host did not confirm it, so a read is never lost.
void logHostDelivery(ActivityLog& log, const HostSendResult& result, std::u16string_view text);

// Delivers records to the host application on a thread of its own, one after
// another in the order they were given, so a stuck host costs the window
// nothing. Each outcome is logged on the user-interface thread, in order.
class HostCourier {
public:
    HostCourier(HostLink& host, UiThread& uiThread, ActivityLog& log);
    // Delivers everything still waiting (each within the link's bound) and
    // logs every outcome before it returns: closing loses no text.
    ~HostCourier();
    HostCourier(const HostCourier&) = delete;
    HostCourier& operator=(const HostCourier&) = delete;

    // Returns at once; `text` is what the log shows for the record.
    void deliver(WindowId sender, const HostRecordBytes& record, std::u16string text);

private:
    struct State;
    void deliverQueued();

    HostLink& host_;
    UiThread& uiThread_;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

} // namespace readerlink
