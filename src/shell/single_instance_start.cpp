#include "shell/single_instance_start.h"

#include "shell/app_identity.h"

namespace readerlink::shell {

bool claimStation(platform::SingleInstanceLock& lock, Dialogs& dialogs) {
    if (lock.tryAcquire())
        return true;
    dialogs.showMessage(kAlreadyRunning);
    return false;
}

} // namespace readerlink::shell
