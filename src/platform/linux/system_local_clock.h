#pragma once

// Linux backend of the local clock: the system's local time and the decimal
// separator of the user's locale settings (LC_ALL, LC_NUMERIC, LANG).

#include "reader/local_clock.h"

#include <memory>

namespace readerlink::platform {

std::unique_ptr<reader::LocalClock> makeSystemLocalClock();

} // namespace readerlink::platform
