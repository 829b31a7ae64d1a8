#include "delivery/host_protocol.h"

#include "delivery/little_endian.h"

#include <algorithm>

namespace readerlink {

HostRequestHeaderBytes encodeHostRequestHeader(const HostRequestHeader& header) {
    HostRequestHeaderBytes bytes{};
    putLittleEndian(bytes.data() + 0, header.message);
    putLittleEndian(bytes.data() + 4, header.senderWindow);
    putLittleEndian(bytes.data() + 12, header.dwData);
    putLittleEndian(bytes.data() + 20, header.cbData);
    return bytes;
}

HostRequestHeader
decodeHostRequestHeader(std::span<const std::uint8_t, kHostRequestHeaderSize> bytes) {
    HostRequestHeader header;
    header.message = getLittleEndian<std::uint32_t>(bytes.data() + 0);
    header.senderWindow = getLittleEndian<std::uint64_t>(bytes.data() + 4);
    header.dwData = getLittleEndian<std::uint64_t>(bytes.data() + 12);
    header.cbData = getLittleEndian<std::uint32_t>(bytes.data() + 20);
    return header;
}

HostAnswerBytes encodeHostAnswer(std::int64_t answer) {
    HostAnswerBytes bytes{};
    putLittleEndian(bytes.data(), static_cast<std::uint64_t>(answer));
    return bytes;
}

std::int64_t decodeHostAnswer(std::span<const std::uint8_t, kHostAnswerSize> bytes) {
    return static_cast<std::int64_t>(getLittleEndian<std::uint64_t>(bytes.data()));
}

std::size_t HostRequestReader::feed(std::span<const std::uint8_t> bytes) {
    std::size_t used = 0;
    if (state_ != State::NeedMore)
        return used;

    if (headerFill_ < kHostRequestHeaderSize) {
        const std::size_t take = std::min(bytes.size(), kHostRequestHeaderSize - headerFill_);
        std::copy_n(bytes.begin(), take, headerBytes_.begin() + headerFill_);
        headerFill_ += take;
        used += take;
        if (headerFill_ < kHostRequestHeaderSize)
            return used;
        header_ = decodeHostRequestHeader(headerBytes_);
        if (header_.message != kCopyDataMessage) {
            state_ = State::Invalid;
            problem_ =
                "message " + std::to_string(header_.message) + " is not the copy-data message 74";
            return used;
        }
        if (header_.cbData > kMaxHostPayloadSize) {
            state_ = State::Invalid;
            problem_ = "cbData " + std::to_string(header_.cbData) + " exceeds " +
                       std::to_string(kMaxHostPayloadSize);
            return used;
        }
        payload_.reserve(header_.cbData);
    }

    const std::size_t take = std::min(bytes.size() - used, header_.cbData - payload_.size());
    payload_.insert(payload_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(used),
                    bytes.begin() + static_cast<std::ptrdiff_t>(used + take));
    used += take;
    if (payload_.size() == header_.cbData)
        state_ = State::Complete;
    return used;
}

} // namespace readerlink
