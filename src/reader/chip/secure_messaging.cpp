#include "reader/chip/secure_messaging.h"

#include "reader/chip/bac_crypto.h"
#include "reader/chip/ber_tlv.h"
#include "reader/chip/chip_error.h"

namespace readerlink::chip {

namespace {

constexpr std::uint8_t kSmClassBits = 0x0C;
constexpr std::uint32_t kTagEncryptedOdd = 0x85;  // value is the encrypted data itself
constexpr std::uint32_t kTagEncryptedEven = 0x87; // value is 01 then the encrypted data
constexpr std::uint32_t kTagExpectedLength = 0x97;
constexpr std::uint32_t kTagStatus = 0x99;
constexpr std::uint32_t kTagMac = 0x8E;
constexpr std::uint8_t kPaddingIndicator = 0x01;

Bytes paddedHeader(const CommandApdu& command) {
    return padIso9797(Bytes{command.cla, command.ins, command.p1, command.p2});
}

Bytes rawObject(const TlvObject& object) {
    const std::uint8_t* start = object.value.data() - object.headerSize;
    return Bytes(start, start + object.size());
}

std::uint16_t statusOf(ByteView value) {
    return static_cast<std::uint16_t>(value[0] << 8 | value[1]);
}

// Objects of a protected message: an optional encrypted-data object, an
// optional object `middleTag`, then the MAC. Anything else, or another
// order, is refused.
struct ProtectedObjects {
    std::optional<TlvObject> encrypted;
    std::optional<TlvObject> middle;
    std::optional<TlvObject> mac;
};

ProtectedObjects splitObjects(ByteView data, std::uint32_t middleTag) {
    std::vector<TlvObject> objects;
    try {
        objects = parseTlvSequence(data);
    } catch (const MalformedDataError& e) {
        throw SecureMessagingError(std::string("Secure messaging: ") + e.what());
    }
    ProtectedObjects parts;
    int stage = 0; // 0: encrypted allowed, 1: middle allowed, 2: MAC allowed, 3: nothing more
    for (const TlvObject& object : objects) {
        if ((object.tag == kTagEncryptedEven || object.tag == kTagEncryptedOdd) && stage == 0) {
            parts.encrypted = object;
            stage = 1;
        } else if (object.tag == middleTag && stage <= 1) {
            parts.middle = object;
            stage = 2;
        } else if (object.tag == kTagMac && stage <= 2) {
            parts.mac = object;
            stage = 3;
        } else {
            throw SecureMessagingError("Secure messaging: unexpected data object");
        }
    }
    if (!parts.mac) throw SecureMessagingError("Secure messaging: MAC missing", sw::kSmObjectsMissing);
    if (parts.mac->value.size() != 8) throw SecureMessagingError("Secure messaging: MAC of wrong length");
    return parts;
}

} // namespace

SecureMessaging::SecureMessaging(KeyPair sessionKeys, std::uint64_t sendSequenceCounter)
    : keys_(std::move(sessionKeys)), ssc_(sendSequenceCounter) {}

Bytes SecureMessaging::nextCounter() {
    ++ssc_;
    // Always eight bytes: leading zero bytes are part of the MAC input.
    Bytes counter(8);
    for (int i = 0; i < 8; ++i) counter[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(ssc_ >> (56 - 8 * i));
    return counter;
}

Bytes SecureMessaging::encryptedDataObject(std::uint32_t tag, ByteView plain) const {
    Bytes value;
    if (tag == kTagEncryptedEven) value.push_back(kPaddingIndicator);
    append(value, tripleDesEncrypt(keys_.enc, padIso9797(plain)));
    return encodeTlv(tag, value);
}

Bytes SecureMessaging::decryptDataObject(std::uint32_t tag, ByteView value) const {
    if (tag == kTagEncryptedEven) {
        if (value.empty() || value[0] != kPaddingIndicator)
            throw SecureMessagingError("Secure messaging: unknown padding indicator");
        value = value.subspan(1);
    }
    if (value.empty() || value.size() % kDesBlock != 0)
        throw SecureMessagingError("Secure messaging: encrypted data of wrong length");
    try {
        return unpadIso9797(tripleDesDecrypt(keys_.enc, value));
    } catch (const MalformedDataError&) {
        throw SecureMessagingError("Secure messaging: wrong padding in decrypted data");
    }
}

CommandApdu SecureMessaging::protectCommand(const CommandApdu& plain) {
    if ((plain.cla & kSmClassBits) != 0) throw ChipError("Command already carries secure messaging");
    CommandApdu secured{static_cast<std::uint8_t>(plain.cla | kSmClassBits), plain.ins, plain.p1, plain.p2, {}, 256};
    Bytes objects;
    if (!plain.data.empty())
        append(objects, encryptedDataObject((plain.ins & 1) ? kTagEncryptedOdd : kTagEncryptedEven, plain.data));
    if (plain.ne) {
        const std::size_t le = *plain.ne;
        Bytes value;
        if (le > 256) value = {static_cast<std::uint8_t>((le >> 8) & 0xFF), static_cast<std::uint8_t>(le & 0xFF)};
        else value = {static_cast<std::uint8_t>(le & 0xFF)};
        append(objects, encodeTlv(kTagExpectedLength, value));
        // A plain answer of up to 231 bytes still fits a short response once
        // protected; longer ones need an extended one.
        if (le > 231) secured.ne = 65536;
    }
    const Bytes mac = retailMac(keys_.mac, concat({nextCounter(), paddedHeader(secured), objects}));
    append(objects, encodeTlv(kTagMac, mac));
    secured.data = std::move(objects);
    return secured;
}

ResponseApdu SecureMessaging::unprotectResponse(const ResponseApdu& response) {
    if (response.data.empty()) {
        if (response.sw == sw::kSuccess)
            throw SecureMessagingError("Secure messaging: the chip answered without protection");
        // The chip refused before answering under protection; it did not
        // count this answer, so neither do we.
        return response;
    }
    const ProtectedObjects parts = splitObjects(response.data, kTagStatus);
    if (!parts.middle || parts.middle->value.size() != 2)
        throw SecureMessagingError("Secure messaging: status object missing");
    Bytes macInput = nextCounter();
    if (parts.encrypted) append(macInput, rawObject(*parts.encrypted));
    append(macInput, rawObject(*parts.middle));
    if (!equalConstantTime(retailMac(keys_.mac, macInput), parts.mac->value))
        throw SecureMessagingError("Secure messaging: wrong MAC in the chip's answer");
    ResponseApdu plain;
    plain.sw = statusOf(parts.middle->value);
    if (parts.encrypted) plain.data = decryptDataObject(parts.encrypted->tag, parts.encrypted->value);
    return plain;
}

CommandApdu SecureMessaging::unprotectCommand(const CommandApdu& command) {
    if ((command.cla & kSmClassBits) != kSmClassBits)
        throw SecureMessagingError("Secure messaging: plain command in a secured session", sw::kSmObjectsMissing);
    const ProtectedObjects parts = splitObjects(command.data, kTagExpectedLength);
    Bytes macInput = concat({nextCounter(), paddedHeader(command)});
    if (parts.encrypted) append(macInput, rawObject(*parts.encrypted));
    if (parts.middle) append(macInput, rawObject(*parts.middle));
    if (!equalConstantTime(retailMac(keys_.mac, macInput), parts.mac->value))
        throw SecureMessagingError("Secure messaging: wrong MAC in the command");
    CommandApdu plain{static_cast<std::uint8_t>(command.cla & ~kSmClassBits), command.ins, command.p1, command.p2,
                      {}, std::nullopt};
    if (parts.encrypted) {
        if ((parts.encrypted->tag == kTagEncryptedOdd) != ((command.ins & 1) != 0))
            throw SecureMessagingError("Secure messaging: encrypted data object does not fit the instruction");
        plain.data = decryptDataObject(parts.encrypted->tag, parts.encrypted->value);
    }
    if (parts.middle) {
        const ByteView le = parts.middle->value;
        if (le.size() == 1) plain.ne = le[0] == 0 ? 256 : le[0];
        else if (le.size() == 2) plain.ne = statusOf(le) == 0 ? 65536 : statusOf(le);
        else throw SecureMessagingError("Secure messaging: expected length of wrong size");
    }
    return plain;
}

ResponseApdu SecureMessaging::protectResponse(const ResponseApdu& plain) {
    Bytes objects;
    if (!plain.data.empty()) append(objects, encryptedDataObject(kTagEncryptedEven, plain.data));
    append(objects, encodeTlv(kTagStatus, Bytes{static_cast<std::uint8_t>(plain.sw >> 8),
                                                static_cast<std::uint8_t>(plain.sw)}));
    const Bytes mac = retailMac(keys_.mac, concat({nextCounter(), objects}));
    append(objects, encodeTlv(kTagMac, mac));
    return ResponseApdu{std::move(objects), plain.sw};
}

} // namespace readerlink::chip
