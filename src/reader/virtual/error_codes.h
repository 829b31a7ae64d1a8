#pragma once

// The virtual reader's error codes, as GetErrorCode reports them, and their
// texts (GetErrorString). docs/virtual-reader.md lists them; numbers
// left out were never used and stay free.

#include <string>

namespace readerlink::virtualreader {

enum ErrorCode : int {
    kNoError = 0,
    kDeviceNotOpen = 1,
    kNoSuchDevice = 2,
    kGlassFolderUnavailable = 3,
    kNoDocument = 4,
    kNoMrz = 5,
    kUnknownHandle = 6,
    kNoChip = 10,
    kCardNotConnected = 11,
    kBacFailed = 12,
    kSecurityStatusNotSatisfied = 13, // a protected chip file read before BAC
    kFileNotFound = 14,
    kFieldNotPresent = 15,
    kForcedFault = 18,
    kBadArgument = 19,
    kChipCommunication = 21,
};

std::u16string errorText(int code);

} // namespace readerlink::virtualreader
