#pragma once

// Whether a card takes extended-length APDUs, as it says so itself: in the
// card capabilities of its ATR's historical bytes (compact-TLV 7x, third
// byte bit 7), or in EF.ATR/INFO (2F01) with the lengths it accepts (7F66).

#include "reader/chip/apdu.h"

#include <cstddef>
#include <optional>

namespace readerlink::chip {

struct ExtendedLength {
    std::size_t maxCommand = 65535;
    std::size_t maxResponse = 65536;
};

// nullopt when the ATR does not announce extended length (or is no ATR).
std::optional<ExtendedLength> extendedLengthFromAtr(ByteView atr);

// nullopt for a file without extended length information; never throws.
std::optional<ExtendedLength> extendedLengthFromAtrInfo(ByteView file);

// Reads EF.ATR/INFO from the master file, plainly, before any application is
// selected; falls back to the ATR. nullopt: short APDUs only.
std::optional<ExtendedLength> probeExtendedLength(ApduTransport& transport, ByteView atr);

// The READ BINARY size that fits a secured answer into `length` (0 when
// none does).
std::size_t securedReadSize(const ExtendedLength& length);

} // namespace readerlink::chip
