#include "reader/virtual/chip_access.h"

#include "common/text.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg2_face.h"
#include "reader/mrz/bac_information.h"
#include "reader/virtual/document_builder.h"
#include "reader/virtual/forced_faults.h"
#include "reader/virtual/jpeg_codec.h"
#include "reader/virtual/specimen_chip_contents.h"

#include <algorithm>

namespace readerlink::virtualreader {

ChipAccess::ChipAccess(std::shared_ptr<ReaderSession> session, Glass& glass, DeviceStatus& status)
    : session_(std::move(session)), glass_(glass), status_(status) {}

void ChipAccess::diagnose(const std::u16string& line) const {
    if (session_->options.diagnostics)
        session_->options.diagnostics(line);
}

void ChipAccess::documentLeaving(const LaidDocument* doc) {
    if (!doc || connected_.get() == doc)
        connected_.reset();
}

int ChipAccess::cardList() {
    const auto doc = glass_.top();
    checkForcedFault("GetRfidCardList", doc.get(), status_);
    if (!glass_.isOpen()) {
        status_.fail(kDeviceNotOpen);
        return 0;
    }
    if (!doc || !hasChip(*doc)) {
        status_.fail(kNoChip);
        return 0;
    }
    status_.ok();
    return 1;
}

sdk::SdkBool ChipAccess::card(int cardNum, std::u16string& cardId) {
    const auto doc = glass_.top();
    checkForcedFault("GetRfidCard", doc.get(), status_);
    if (!glass_.isOpen())
        return status_.failBool(kDeviceNotOpen);
    if (!doc || !hasChip(*doc))
        return status_.failBool(kNoChip);
    if (cardNum != 0)
        return status_.failBool(kBadArgument);
    cardId = cardIdFor(doc->name);
    return status_.okBool();
}

sdk::SdkBool ChipAccess::connectCard(const std::u16string& card) {
    const auto doc = glass_.top();
    checkForcedFault("ConnectRfidCard", doc.get(), status_);
    if (!glass_.isOpen())
        return status_.failBool(kDeviceNotOpen);
    if (!doc || !hasChip(*doc) || card != cardIdFor(doc->name))
        return status_.failBool(kNoChip);
    ChipCard* chip = chipOf(*doc);
    if (!chip)
        return status_.failBool(kChipCommunication);
    const ChipStatus status = chip->connect();
    if (!status.ok())
        return status_.failBool(status.code, status.text);
    connected_ = doc;
    return status_.okBool();
}

sdk::SdkBool ChipAccess::disconnectCard(const std::u16string& card) {
    checkForcedFault("DisconnectRfidCard", glass_.top().get(), status_);
    if (!connected_ || card != cardIdFor(connected_->name))
        return status_.failBool(kCardNotConnected);
    connected_->chip->disconnect();
    connected_.reset();
    return status_.okBool();
}

sdk::SdkBool ChipAccess::makeBac(const std::u16string& card, const std::u16string& lines) {
    checkForcedFault("MakeBAC", glass_.top().get(), status_);
    ChipCard* chip = connectedChip(card);
    if (!chip)
        return sdk::kSdkFalse;
    const auto information = mrz::bacMrzInformation(toMrzAscii(lines));
    if (!information)
        return status_.failBool(kBacFailed, errorText(kBacFailed) + u": the lines hold no MRZ");
    const ChipStatus status = chip->performBac(*information);
    if (!status.ok())
        return status_.failBool(status.code, status.text);
    return status_.okBool();
}

sdk::SdkBool ChipAccess::readFile(const std::u16string& card, int fileId, sdk::Variant& data) {
    checkForcedFault("GetRfidFileB", glass_.top().get(), status_);
    ChipCard* chip = connectedChip(card);
    if (!chip)
        return sdk::kSdkFalse;
    if (fileId < 0 || fileId > 31)
        return status_.failBool(kBadArgument);
    std::vector<std::uint8_t> bytes;
    const ChipStatus status = chip->readFile(fileId, bytes);
    if (!status.ok())
        return status_.failBool(status.code, status.text);
    data.kind = sdk::Variant::Kind::Bytes;
    data.bytes = std::move(bytes);
    data.integer = 0;
    return status_.okBool();
}

bool ChipAccess::hasChip(const LaidDocument& doc) const {
    return doc.specimen.chip || session_->options.chipOnEveryDocument;
}

ChipCard* ChipAccess::chipOf(LaidDocument& doc) {
    if (doc.chipMade)
        return doc.chip.get();
    doc.chipMade = true;
    // A card in a real reader needs nothing from a specimen.
    const SpecimenChipContents made = chipContentsOf(doc.specimen);
    const chip::ChipDocument& contents = made.document;
    if (!made.unreadableFace.empty())
        diagnose(u"Virtual reader: chip face image unreadable: " +
                 fromUtf8(made.unreadableFace.string()));
    try {
        doc.chip = session_->options.chipCardFactory(contents);
    } catch (const chip::ChipError& e) {
        diagnose(u"Virtual reader: the chip cannot be made: " + e.message());
    }
    return doc.chip.get();
}

ChipCard* ChipAccess::connectedChip(const std::u16string& card) {
    if (!glass_.isOpen()) {
        status_.fail(kDeviceNotOpen);
        return nullptr;
    }
    if (!connected_ || card != cardIdFor(connected_->name)) {
        status_.fail(kCardNotConnected);
        return nullptr;
    }
    if (connected_ != glass_.top()) {
        status_.fail(kNoChip, u"The card left the field");
        return nullptr;
    }
    return connected_->chip.get();
}

} // namespace readerlink::virtualreader
