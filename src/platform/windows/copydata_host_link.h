#pragma once

#include "delivery/host_link.h"

#include <chrono>
#include <memory>

namespace readerlink::platform {

struct CopyDataHostLinkOptions {
    // The longest one delivery may hold the station.
    std::chrono::milliseconds answerBound{3000};
};

// The host application as a top-level window of class "TBarcodeForm" titled
// "BarcodeForm"; each record goes to it as one WM_COPYDATA.
std::unique_ptr<HostLink> makeCopyDataHostLink(CopyDataHostLinkOptions options = {});

} // namespace readerlink::platform
