#pragma once

// Windows backend of the local clock: the local time and the decimal
// separator of the user's regional settings.

#include "reader/local_clock.h"

#include <memory>

namespace readerlink::platform {

std::unique_ptr<reader::LocalClock> makeSystemLocalClock();

} // namespace readerlink::platform
