#pragma once

#include <cstdint>
#include <initializer_list>

namespace readerlink::serial {

// The communication events a port can wait for; the value is the bit in ComEvents.
enum class ComEvent : std::uint16_t {
    evRxChar = 0,
    evTxEmpty = 1,
    evRxFlag = 2,
    evRing = 3,
    evBreak = 4,
    evCTS = 5,
    evDSR = 6,
    evError = 7,
    evRLSD = 8,
    evRx80Full = 9,
};

// A 16-bit set of ComEvent values.
class ComEvents {
public:
    constexpr ComEvents() = default;
    constexpr ComEvents(std::initializer_list<ComEvent> events) {
        for (ComEvent e : events)
            bits_ |= bit(e);
    }
    static constexpr ComEvents fromBits(std::uint16_t bits) {
        ComEvents s;
        s.bits_ = bits & kAllBits;
        return s;
    }
    static constexpr ComEvents all() { return fromBits(kAllBits); }

    constexpr bool contains(ComEvent e) const { return (bits_ & bit(e)) != 0; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr std::uint16_t bits() const { return bits_; }
    constexpr void insert(ComEvent e) { bits_ |= bit(e); }
    constexpr void erase(ComEvent e) { bits_ &= static_cast<std::uint16_t>(~bit(e)); }
    friend constexpr bool operator==(ComEvents, ComEvents) = default;

private:
    static constexpr std::uint16_t kAllBits = 0x03FF;
    static constexpr std::uint16_t bit(ComEvent e) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(e));
    }
    std::uint16_t bits_ = 0;
};

// The device's event mask for a set, and back; bits the table does not know are ignored.
std::uint32_t EventsToMask(ComEvents events);
ComEvents MaskToEvents(std::uint32_t mask);

// Line errors reported to OnError.
enum class ComError : std::uint8_t {
    ceFrame,
    ceRxParity,
    ceOverrun,
    ceBreak,
    ceIO,
    ceMode,
    ceRxOver,
    ceTxFull,
};

class ComErrors {
public:
    constexpr ComErrors() = default;
    constexpr ComErrors(std::initializer_list<ComError> errors) {
        for (ComError e : errors)
            bits_ |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(e));
    }
    constexpr bool contains(ComError e) const {
        return (bits_ & (1u << static_cast<unsigned>(e))) != 0;
    }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr void insert(ComError e) {
        bits_ |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(e));
    }
    friend constexpr bool operator==(ComErrors, ComErrors) = default;

private:
    std::uint8_t bits_ = 0;
};

// The set of line errors in a device error word.
ComErrors ErrorsFromDeviceFlags(std::uint32_t flags);

} // namespace readerlink::serial
