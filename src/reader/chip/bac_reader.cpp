#include "reader/chip/bac_reader.h"

#include "reader/chip/bac_crypto.h"
#include "reader/chip/bac_keys.h"
#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/lds_files.h"

namespace readerlink::chip {

namespace {

// READ BINARY with an offset in P1-P2 reaches no further than this; past it
// the odd instruction carries the offset in a data object.
constexpr std::size_t kMaxOffset = 0x7FFF;
// No LDS file comes near this; a header claiming more is a broken chip.
constexpr std::size_t kMaxFileSize = 1024 * 1024;
// The longest BER-TLV header this layer accepts: three tag bytes, five length bytes.
constexpr std::size_t kLongestHeader = 8;
constexpr std::size_t kFirstRead = 4;
// With extended length: the most bytes whose secured answer (DO'53', DO'87'
// with padding, DO'99', DO'8E') still fits 65536.
constexpr std::size_t kLongestSecuredRead = 65505;

bool readSucceeded(std::uint16_t status) {
    return status == sw::kSuccess || status == sw::kEndOfFileReached;
}

} // namespace

BacReader::BacReader(ApduTransport& transport, RandomSource& random) : transport_(transport), random_(random) {}

std::optional<std::uint64_t> BacReader::sendSequenceCounter() const {
    if (!sm_) return std::nullopt;
    return sm_->sendSequenceCounter();
}

void BacReader::setChunkSize(std::size_t bytes) {
    if (bytes == 0 || bytes > kLongestSecuredRead) throw ChipError("READ BINARY chunk size out of range");
    chunkSize_ = bytes;
}

ResponseApdu BacReader::transmitPlain(const CommandApdu& command) {
    return ResponseApdu::parse(transport_.transmit(command.encode()));
}

ResponseApdu BacReader::exchange(const CommandApdu& command) {
    if (!sm_) return transmitPlain(command);
    try {
        const ResponseApdu answer = transmitPlain(sm_->protectCommand(command));
        const ResponseApdu plain = sm_->unprotectResponse(answer);
        // The chip drops its session on these; so do we.
        if (plain.sw == sw::kSmObjectsMissing || plain.sw == sw::kSmObjectsIncorrect) sm_.reset();
        return plain;
    } catch (...) {
        // Broken MAC, or a transport that lost the answer: either way the
        // counters of the two ends no longer agree.
        sm_.reset();
        throw;
    }
}

void BacReader::selectApplication() {
    sm_.reset();
    const ResponseApdu answer = transmitPlain({0x00, ins::kSelect, 0x04, 0x0C, kEmrtdApplicationId, std::nullopt});
    if (!answer.ok()) throw CardStatusError("The chip has no eMRTD application", answer.sw);
}

void BacReader::performBac(std::string_view mrzInformation) {
    const KeyPair keys = bacKeysFromMrzInformation(mrzInformation);
    // Always afresh: a chip that left the field or dropped its session has
    // forgotten the selection, and selecting costs one exchange.
    selectApplication();

    const ResponseApdu challenge = transmitPlain({0x00, ins::kGetChallenge, 0x00, 0x00, {}, 8});
    if (!challenge.ok() || challenge.data.size() != 8)
        throw BacError("BAC failed: the chip gave no challenge (status " + statusWordText(challenge.sw) + ")");
    const Bytes& rndIc = challenge.data;
    const Bytes rndIfd = random_.bytes(8);
    const Bytes kIfd = random_.bytes(16);
    if (rndIfd.size() != 8 || kIfd.size() != 16) throw ChipError("Random source gave the wrong number of bytes");

    const Bytes eIfd = tripleDesEncrypt(keys.enc, concat({rndIfd, rndIc, kIfd}));
    const Bytes mIfd = retailMac(keys.mac, eIfd);
    const ResponseApdu answer =
        transmitPlain({0x00, ins::kExternalAuthenticate, 0x00, 0x00, concat({eIfd, mIfd}), 40});
    if (!answer.ok())
        throw BacError("BAC failed: the chip refused the access keys (status " + statusWordText(answer.sw) + ")");
    if (answer.data.size() != 40) throw BacError("BAC failed: the chip's answer has the wrong length");

    const ByteView eIc = ByteView(answer.data).first(32);
    const ByteView mIc = ByteView(answer.data).subspan(32);
    if (!equalConstantTime(retailMac(keys.mac, eIc), mIc))
        throw BacError("BAC failed: the chip's answer does not carry the right MAC");
    const Bytes r = tripleDesDecrypt(keys.enc, eIc);
    const ByteView rView(r);
    if (!equalConstantTime(rView.first(8), rndIc) || !equalConstantTime(rView.subspan(8, 8), rndIfd))
        throw BacError("BAC failed: the chip's answer does not match the challenge");

    Bytes seed(16);
    for (std::size_t i = 0; i < 16; ++i) seed[i] = kIfd[i] ^ r[16 + i];
    sm_.emplace(deriveKeys(seed), initialSendSequenceCounter(rndIc, rndIfd));
}

Bytes BacReader::readFile(int fileNumber) {
    const auto file = ldsFileByNumber(fileNumber);
    if (!file) throw CardStatusError("No chip file " + std::to_string(fileNumber), sw::kFileNotFound);
    if (selection_ == Selection::ShortFileId) return readOpenFile(file->shortId);
    return readFileById(file->fileId);
}

Bytes BacReader::readFileById(std::uint16_t fileId) {
    const Bytes id{static_cast<std::uint8_t>(fileId >> 8), static_cast<std::uint8_t>(fileId)};
    const ResponseApdu answer = exchange({0x00, ins::kSelect, 0x02, 0x0C, id, std::nullopt});
    if (!answer.ok()) throw CardStatusError("Chip file " + toHex(id) + " could not be selected", answer.sw);
    return readOpenFile(std::nullopt);
}

Bytes BacReader::readBinaryBeyond(std::size_t offset, std::size_t count) {
    Bytes offsetBytes;
    for (std::size_t rest = offset; rest != 0; rest >>= 8)
        offsetBytes.insert(offsetBytes.begin(), static_cast<std::uint8_t>(rest));
    // The answer wraps the bytes in DO'53': room for its tag and length.
    const std::size_t wrapped = count + encodeLength(count).size() + 1;
    const ResponseApdu answer =
        exchange({0x00, ins::kReadBinaryOdd, 0x00, 0x00, encodeTlv(kTagOffset, offsetBytes), wrapped});
    if (!readSucceeded(answer.sw)) throw CardStatusError("The chip file could not be read", answer.sw);
    const TlvObject data = parseTlv(answer.data);
    if (data.tag != kTagDiscretionaryData || data.size() != answer.data.size() || data.value.empty() ||
        data.value.size() > count)
        throw MalformedDataError("Malformed READ BINARY answer from the chip");
    return Bytes(data.value.begin(), data.value.end());
}

Bytes BacReader::readBinary(std::size_t offset, std::size_t count, std::optional<std::uint8_t> shortId) {
    if (offset > kMaxOffset) return readBinaryBeyond(offset, count);
    CommandApdu command{0x00, ins::kReadBinary, 0, 0, {}, count};
    if (shortId) {
        command.p1 = static_cast<std::uint8_t>(0x80 | *shortId);
        command.p2 = static_cast<std::uint8_t>(offset);
    } else {
        command.p1 = static_cast<std::uint8_t>(offset >> 8);
        command.p2 = static_cast<std::uint8_t>(offset);
    }
    const ResponseApdu answer = exchange(command);
    if (!readSucceeded(answer.sw) || answer.data.empty() || answer.data.size() > count)
        throw CardStatusError("The chip file could not be read", answer.sw);
    return answer.data;
}

Bytes BacReader::readOpenFile(std::optional<std::uint8_t> shortId) {
    // The first bytes give the length of the whole file.
    Bytes content = readBinary(0, kFirstRead, shortId);
    std::optional<TlvHeader> header = peekTlvHeader(content);
    if (!header && content.size() == kFirstRead) {
        append(content, readBinary(content.size(), kLongestHeader - kFirstRead, std::nullopt));
        header = peekTlvHeader(content);
    }
    if (!header) throw MalformedDataError("Malformed chip file: its header is cut short");
    if (header->valueLength > kMaxFileSize) throw ChipError("Chip file too large to read");
    const std::size_t total = header->headerSize + header->valueLength;
    if (content.size() > total) content.resize(total);
    while (content.size() < total) {
        const Bytes chunk = readBinary(content.size(), std::min(chunkSize_, total - content.size()), std::nullopt);
        append(content, chunk);
    }
    return content;
}

} // namespace readerlink::chip
