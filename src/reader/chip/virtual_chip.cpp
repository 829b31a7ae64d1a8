#include "reader/chip/virtual_chip.h"

#include <algorithm>

#include "reader/chip/bac_crypto.h"
#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/ef_com.h"
#include "reader/chip/lds_files.h"
#include "reader/chip/mrz_information.h"

namespace readerlink::chip {

namespace {

constexpr std::uint8_t kClaPlain = 0x00;
constexpr std::uint8_t kClaSecured = 0x0C;
constexpr std::uint16_t kMasterFile = 0x3F00;

ResponseApdu status(std::uint16_t word) { return ResponseApdu{{}, word}; }

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line;
    return all;
}

} // namespace

VirtualChip::VirtualChip(const ChipDocument& document, std::unique_ptr<RandomSource> random)
    : random_(std::move(random)),
      bacProtected_(document.bacProtected),
      accessKeys_(bacKeysFromMrzInformation(mrzInformationFromLines(document.mrzLines))) {
    EfCom contents;
    contents.ldsVersion = document.ldsVersion;
    contents.unicodeVersion = document.unicodeVersion;
    contents.dataGroups = document.dataGroups;
    files_[kEfComFileId] = buildEfCom(contents);
    for (int group : document.dataGroups) {
        const auto file = ldsFileByNumber(group);
        if (!file || group == kEfComFile) throw ChipError("Virtual chip: no data group " + std::to_string(group));
        if (group == 1) {
            files_[file->fileId] = buildDg1(joined(document.mrzLines));
        } else if (group == 2) {
            files_[file->fileId] = buildDg2(document.faceImage);
        } else if (auto other = document.otherDataGroups.find(group); other != document.otherDataGroups.end()) {
            files_[file->fileId] = other->second;
        } else {
            files_[file->fileId] = encodeTlv(file->tag, {});
        }
    }
    if (!document.efSod.empty()) files_[kEfSodFileId] = document.efSod;
}

void VirtualChip::reset() {
    applicationSelected_ = false;
    currentFile_.reset();
    challenge_.reset();
    sm_.reset();
}

Bytes VirtualChip::transmit(ByteView bytes) {
    CommandApdu command;
    try {
        command = CommandApdu::parse(bytes);
    } catch (const MalformedDataError&) {
        return status(sw::kWrongLength).encode();
    }
    if (command.cla != kClaPlain && command.cla != kClaSecured) return status(sw::kClaNotSupported).encode();

    if (!sm_) {
        if (command.cla == kClaSecured) return status(sw::kSmObjectsIncorrect).encode();
        return handle(command).encode();
    }
    if (command.cla == kClaPlain) {
        // Selecting the application afresh starts over without secure
        // messaging; any other plain command breaks the session.
        const bool selectsApplication = command.ins == ins::kSelect && command.p1 == 0x04;
        sm_.reset();
        if (selectsApplication) return handle(command).encode();
        return status(sw::kSmObjectsMissing).encode();
    }
    CommandApdu plain;
    try {
        plain = sm_->unprotectCommand(command);
    } catch (const SecureMessagingError& e) {
        sm_.reset();
        return status(e.statusWord()).encode();
    }
    const ResponseApdu answer = handle(plain);
    if (!sm_) return answer.encode();
    return sm_->protectResponse(answer).encode();
}

ResponseApdu VirtualChip::handle(const CommandApdu& command) {
    switch (command.ins) {
    case ins::kSelect: return select(command);
    case ins::kGetChallenge: return getChallenge(command);
    case ins::kExternalAuthenticate: return externalAuthenticate(command);
    case ins::kReadBinary: return readBinary(command);
    case ins::kReadBinaryOdd: return readBinaryOdd(command);
    default: return status(sw::kInsNotSupported);
    }
}

ResponseApdu VirtualChip::select(const CommandApdu& command) {
    if (command.p2 != 0x00 && command.p2 != 0x04 && command.p2 != 0x0C) return status(sw::kWrongP1P2);
    if (command.p1 == 0x04) {
        if (command.data != kEmrtdApplicationId) return status(sw::kFileNotFound);
        applicationSelected_ = true;
        currentFile_.reset();
        challenge_.reset();
        return status(sw::kSuccess);
    }
    if (command.p1 != 0x00 && command.p1 != 0x02) return status(sw::kWrongP1P2);
    const std::uint16_t fileId =
        command.data.size() == 2 ? static_cast<std::uint16_t>(command.data[0] << 8 | command.data[1]) : 0;
    if (command.p1 == 0x00 && (command.data.empty() || fileId == kMasterFile)) {
        applicationSelected_ = false;
        currentFile_.reset();
        return status(sw::kSuccess);
    }
    if (command.data.size() != 2) return status(sw::kWrongData);
    if (!applicationSelected_ || !files_.contains(fileId)) return status(sw::kFileNotFound);
    currentFile_ = fileId;
    return status(sw::kSuccess);
}

ResponseApdu VirtualChip::getChallenge(const CommandApdu& command) {
    if (command.p1 != 0 || command.p2 != 0) return status(sw::kWrongP1P2);
    if (command.ne != 8) return status(sw::kWrongLength);
    if (!applicationSelected_ || sm_) return status(sw::kConditionsNotSatisfied);
    challenge_ = random_->bytes(8);
    return ResponseApdu{*challenge_, sw::kSuccess};
}

ResponseApdu VirtualChip::externalAuthenticate(const CommandApdu& command) {
    if (command.p1 != 0 || command.p2 != 0) return status(sw::kWrongP1P2);
    if (!challenge_ || sm_) return status(sw::kConditionsNotSatisfied);
    // A challenge answers one attempt only.
    const Bytes rndIc = *challenge_;
    challenge_.reset();
    if (command.data.size() != 40) return status(sw::kWrongLength);

    const ByteView eIfd = ByteView(command.data).first(32);
    const ByteView mIfd = ByteView(command.data).subspan(32);
    if (!equalConstantTime(retailMac(accessKeys_.mac, eIfd), mIfd)) return status(sw::kAuthenticationFailed);
    const Bytes s = tripleDesDecrypt(accessKeys_.enc, eIfd);
    const ByteView sView(s);
    if (!equalConstantTime(sView.subspan(8, 8), rndIc)) return status(sw::kAuthenticationFailed);
    const ByteView rndIfd = sView.first(8);
    const ByteView kIfd = sView.subspan(16, 16);

    const Bytes kIc = random_->bytes(16);
    const Bytes eIc = tripleDesEncrypt(accessKeys_.enc, concat({rndIc, rndIfd, kIc}));
    Bytes answer = eIc;
    append(answer, retailMac(accessKeys_.mac, eIc));

    Bytes seed(16);
    for (std::size_t i = 0; i < 16; ++i) seed[i] = kIfd[i] ^ kIc[i];
    sm_.emplace(deriveKeys(seed), initialSendSequenceCounter(rndIc, rndIfd));
    return ResponseApdu{std::move(answer), sw::kSuccess};
}

ResponseApdu VirtualChip::readBinary(const CommandApdu& command) {
    std::size_t offset = 0;
    if (command.p1 & 0x80) {
        if (command.p1 & 0x60) return status(sw::kWrongP1P2);
        const auto file = ldsFileByShortId(command.p1 & 0x1F);
        if (!applicationSelected_ || !file || !files_.contains(file->fileId)) return status(sw::kFileNotFound);
        currentFile_ = file->fileId;
        offset = command.p2;
    } else {
        if (!currentFile_) return status(sw::kNoCurrentEf);
        offset = static_cast<std::size_t>(command.p1) << 8 | command.p2;
    }
    return readFrom(offset, command.ne, false);
}

ResponseApdu VirtualChip::readBinaryOdd(const CommandApdu& command) {
    if ((command.p1 & 0xE0) == 0x80 && command.p2 == 0) {
        const auto file = ldsFileByShortId(command.p1 & 0x1F);
        if (!applicationSelected_ || !file || !files_.contains(file->fileId)) return status(sw::kFileNotFound);
        currentFile_ = file->fileId;
    } else if (command.p1 != 0 || command.p2 != 0) {
        return status(sw::kWrongP1P2);
    } else if (!currentFile_) {
        return status(sw::kNoCurrentEf);
    }
    std::size_t offset = 0;
    try {
        const TlvObject object = parseTlv(command.data);
        if (object.tag != kTagOffset || object.size() != command.data.size() || object.value.empty() ||
            object.value.size() > 3)
            return status(sw::kWrongData);
        for (std::uint8_t b : object.value) offset = offset << 8 | b;
    } catch (const MalformedDataError&) {
        return status(sw::kWrongData);
    }
    return readFrom(offset, command.ne, true);
}

ResponseApdu VirtualChip::readFrom(std::size_t offset, std::optional<std::size_t> ne, bool wrapped) {
    if (bacProtected_ && !sm_) return status(sw::kSecurityStatusNotSatisfied);
    if (!ne) return status(sw::kWrongLength);
    const Bytes& content = files_.at(*currentFile_);
    if (offset > content.size()) return status(sw::kOffsetOutsideFile);
    std::size_t count = std::min(*ne, content.size() - offset);
    if (wrapped) {
        // The bytes and their DO'53' header together within what was asked.
        while (count > 0 && count + 1 + encodeLength(count).size() > *ne) --count;
        if (count == 0 && offset < content.size()) return status(sw::kWrongLength);
        Bytes data = encodeTlv(kTagDiscretionaryData, ByteView(content).subspan(offset, count));
        const bool shortOfAsked = data.size() < *ne;
        return ResponseApdu{std::move(data), shortOfAsked ? sw::kEndOfFileReached : sw::kSuccess};
    }
    const ByteView part = ByteView(content).subspan(offset, count);
    return ResponseApdu{Bytes(part.begin(), part.end()), count < *ne ? sw::kEndOfFileReached : sw::kSuccess};
}

} // namespace readerlink::chip
