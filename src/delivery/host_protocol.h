#pragma once

// One delivery to a host application on one stream connection:
//   sender -> host: a 24-byte header, then cbData payload bytes
//     0   4  message   0x004A (the copy-data message)
//     4   8  wParam    the sender's main window id
//     12  8  dwData    0
//     20  4  cbData    payload size; 2308 for the data record
//   host -> sender: 8 bytes, the signed 64-bit answer
// All integers little-endian. docs/host-protocol.md is the integrators' copy.

#include "delivery/window_id.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace readerlink {

inline constexpr std::uint32_t kCopyDataMessage = 0x004A;
inline constexpr std::size_t kHostRequestHeaderSize = 24;
inline constexpr std::size_t kHostAnswerSize = 8;
// A reader refuses larger payloads rather than allocate what a peer claims.
inline constexpr std::uint32_t kMaxHostPayloadSize = 64 * 1024;

struct HostRequestHeader {
    std::uint32_t message = kCopyDataMessage;
    WindowId senderWindow = 0;
    std::uint64_t dwData = 0;
    std::uint32_t cbData = 0;
};

using HostRequestHeaderBytes = std::array<std::uint8_t, kHostRequestHeaderSize>;
using HostAnswerBytes = std::array<std::uint8_t, kHostAnswerSize>;

HostRequestHeaderBytes encodeHostRequestHeader(const HostRequestHeader& header);
HostRequestHeader
decodeHostRequestHeader(std::span<const std::uint8_t, kHostRequestHeaderSize> bytes);

HostAnswerBytes encodeHostAnswer(std::int64_t answer);
std::int64_t decodeHostAnswer(std::span<const std::uint8_t, kHostAnswerSize> bytes);

// The host side: takes a request's bytes in whatever pieces the stream
// delivers them and says when one whole request is there.
class HostRequestReader {
public:
    enum class State { NeedMore, Complete, Invalid };

    // Consumes bytes up to the end of one request and returns how many it
    // took; takes nothing once the request is complete or invalid.
    std::size_t feed(std::span<const std::uint8_t> bytes);

    State state() const { return state_; }
    // Valid once the header is in (any state but NeedMore before 24 bytes).
    const HostRequestHeader& header() const { return header_; }
    // The cbData payload bytes; whole when Complete.
    std::span<const std::uint8_t> payload() const { return payload_; }
    // Why the request is Invalid.
    const std::string& problem() const { return problem_; }

private:
    State state_ = State::NeedMore;
    HostRequestHeaderBytes headerBytes_{};
    std::size_t headerFill_ = 0;
    HostRequestHeader header_;
    std::vector<std::uint8_t> payload_;
    std::string problem_;
};

} // namespace readerlink
