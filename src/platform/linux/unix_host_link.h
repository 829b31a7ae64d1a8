#pragma once

#include "delivery/host_link.h"

#include <chrono>
#include <memory>

namespace readerlink::platform {

struct UnixHostLinkOptions {
    // The longest one delivery may hold the station, connection included.
    std::chrono::milliseconds answerBound{3000};
};

// The host application as a Unix-domain socket at currentHostSocketLocation();
// one connection per delivery.
std::unique_ptr<HostLink> makeUnixHostLink(UnixHostLinkOptions options = {});

} // namespace readerlink::platform
