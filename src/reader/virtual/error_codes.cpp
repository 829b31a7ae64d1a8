#include "reader/virtual/error_codes.h"

namespace readerlink::virtualreader {

std::u16string errorText(int code) {
    switch (code) {
    case kNoError:
        return u"No error";
    case kDeviceNotOpen:
        return u"Device not open";
    case kNoSuchDevice:
        return u"No such device";
    case kGlassFolderUnavailable:
        return u"Glass folder not available";
    case kNoDocument:
        return u"No document";
    case kNoMrz:
        return u"No MRZ found";
    case kUnknownHandle:
        return u"Unknown document handle";
    case kNoChip:
        return u"No chip in the field";
    case kCardNotConnected:
        return u"Card not connected";
    case kBacFailed:
        return u"Basic Access Control failed";
    case kSecurityStatusNotSatisfied:
        return u"Security status not satisfied";
    case kFileNotFound:
        return u"File not found on the chip";
    case kFieldNotPresent:
        return u"Field not present";
    case kForcedFault:
        return u"Forced fault";
    case kBadArgument:
        return u"Bad argument";
    case kChipCommunication:
        return u"Chip communication error";
    default:
        return u"Unknown error";
    }
}

} // namespace readerlink::virtualreader
