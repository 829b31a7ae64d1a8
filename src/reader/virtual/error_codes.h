#pragma once

// The virtual reader's error codes, as GetErrorCode reports them, and their
// texts (GetErrorString). docs/virtual-reader.md lists them.

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
    kNoImage = 7,
    kWriteFailed = 8,
    kUnsupportedImageType = 9,
    kNoChip = 10,
    kCardNotConnected = 11,
    kBacFailed = 12,
    kSecurityStatusNotSatisfied = 13, // a protected chip file read before BAC
    kFileNotFound = 14,
    kFieldNotPresent = 15,
    kInvalidChipData = 16,
    kImageSourceUnavailable = 17,
    kForcedFault = 18,
    kBadArgument = 19,
    kSpecimenUnreadable = 20,
    kChipCommunication = 21,
};

std::u16string errorText(int code);

} // namespace readerlink::virtualreader
