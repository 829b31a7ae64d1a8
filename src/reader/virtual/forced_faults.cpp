#include "reader/virtual/forced_faults.h"

#include "common/text.h"
#include "reader/sdk/sdk_error.h"

namespace readerlink::virtualreader {

void checkForcedFault(const char* call, LaidDocument* doc, DeviceStatus& status) {
    if (!doc)
        return;
    const auto it = doc->throwsLeft.find(call);
    if (it == doc->throwsLeft.end() || it->second <= 0)
        return;
    --it->second;
    const std::u16string message = u"Forced fault in " + fromUtf8(call);
    status.fail(kForcedFault, message);
    throw sdk::SdkError(kForcedFault, message);
}

} // namespace readerlink::virtualreader
