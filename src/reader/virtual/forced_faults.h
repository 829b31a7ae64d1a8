#pragma once

// Faults a specimen forces on named calls of the virtual reader.

#include "reader/virtual/device_status.h"
#include "reader/virtual/laid_document.h"

namespace readerlink::virtualreader {

// Throws the SDK error `doc`'s specimen forces on `call`, counting it off;
// does nothing when none is left (or no document lies there).
void checkForcedFault(const char* call, LaidDocument* doc, DeviceStatus& status);

} // namespace readerlink::virtualreader
