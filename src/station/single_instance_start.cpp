#include "station/single_instance_start.h"

#include "station/app_identity.h"

namespace readerlink::station {

bool claimStation(platform::SingleInstanceLock& lock, Dialogs& dialogs) {
    if (lock.tryAcquire())
        return true;
    dialogs.showMessage(kAlreadyRunning);
    return false;
}

} // namespace readerlink::station
