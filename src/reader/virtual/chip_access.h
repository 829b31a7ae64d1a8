#pragma once

// The virtual reader's contactless side: the chip of the document on top of
// the glass, made from its specimen on first use, and the card connection,
// BAC and file reads over it.

#include "reader/sdk/sdk_types.h"
#include "reader/virtual/device_status.h"
#include "reader/virtual/glass.h"

#include <cstdint>
#include <memory>
#include <string>

namespace readerlink::virtualreader {

class ChipAccess {
public:
    ChipAccess(std::shared_ptr<ReaderSession> session, Glass& glass, DeviceStatus& status);

    int cardList();
    sdk::SdkBool card(int cardNum, std::u16string& cardId);
    sdk::SdkBool connectCard(const std::u16string& card);
    sdk::SdkBool disconnectCard(const std::u16string& card);
    sdk::SdkBool makeBac(const std::u16string& card, const std::u16string& lines);
    sdk::SdkBool readFile(const std::u16string& card, int fileId, sdk::Variant& data);

    // The connection ends with its document (null: with every document).
    void documentLeaving(const LaidDocument* doc);

private:
    bool hasChip(const LaidDocument& doc) const;
    ChipCard* chipOf(LaidDocument& doc);
    ChipCard* connectedChip(const std::u16string& card);
    void diagnose(const std::u16string& line) const;

    std::shared_ptr<ReaderSession> session_;
    Glass& glass_;
    DeviceStatus& status_;
    std::shared_ptr<LaidDocument> connected_;
};

} // namespace readerlink::virtualreader
