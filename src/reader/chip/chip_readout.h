#pragma once

// A whole eMRTD read as a diagnostic or a benchmark does it: BAC, EF.COM,
// every data group it lists, EF.SOD, then Passive Authentication of what
// was read.

#include "reader/chip/bac_reader.h"
#include "reader/chip/passive_authentication.h"

#include <map>
#include <string_view>

namespace readerlink::chip {

struct ChipReadout {
    std::map<int, Bytes> files; // 0 EF.COM, n data group n
    Bytes efSod;                // empty: the chip has none
    PaResult passiveAuthentication;
};

// BacError when BAC fails; ChipError (or a subclass) when a listed file
// cannot be read or the transport loses the chip. A chip without EF.SOD is
// "not checked", not an error.
ChipReadout readWholeChip(BacReader& reader, std::string_view mrzInformation,
                          SignedDataVerifier& verifier);

} // namespace readerlink::chip
