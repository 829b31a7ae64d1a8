#pragma once

// What the reference host prints for each request, on every platform.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace readerlink::host {

struct Options {
    bool hex = false;
    bool quiet = false;
    bool noAnswer = false;
    bool drop = false; // close each connection unread once the record arrives
    long count = 0; // 0: run until stopped
};

// False on an unknown option or a bad count.
bool parseOptions(int argc, char** argv, Options& options);

inline constexpr std::int64_t kAnswerTaken = 1;
inline constexpr std::int64_t kAnswerRefused = 0;

// Prints one request and returns the answer the host gives it.
std::int64_t printRequest(long number, std::uint64_t senderWindow, std::uint64_t dwData,
                          std::uint32_t cbData, std::span<const std::uint8_t> payload,
                          const Options& options);

} // namespace readerlink::host
