#pragma once

#include "common/dialogs.h"
#include "platform/single_instance.h"

namespace readerlink::station {

// True when this process may run the station. Otherwise another station of
// this user is running: the operator is told "Already running" and this
// process must end without a window.
bool claimStation(platform::SingleInstanceLock& lock, Dialogs& dialogs);

} // namespace readerlink::station
