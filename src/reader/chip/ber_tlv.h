#pragma once

// BER-TLV as chip files and secure messaging use it: tags of one to three
// bytes, definite lengths in short form or long form with one to four length
// bytes. Indefinite lengths, longer length fields and values that run past
// the data are rejected with MalformedDataError.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "reader/chip/bytes.h"

namespace readerlink::chip {

// One data object inside a larger buffer; `value` points into that buffer.
struct TlvObject {
    std::uint32_t tag = 0;
    ByteView value;
    std::size_t headerSize = 0; // tag and length bytes

    std::size_t size() const { return headerSize + value.size(); }
    // Bit 6 of the first tag byte: the value is itself a sequence of objects.
    bool constructed() const;
};

// Tag and length of an object whose value may not have arrived yet.
struct TlvHeader {
    std::uint32_t tag = 0;
    std::size_t headerSize = 0;
    std::size_t valueLength = 0;
};

// The header at the start of `data`, or nullopt when `data` ends inside the
// header (more bytes needed). Throws MalformedDataError for a header that no
// further bytes can mend.
std::optional<TlvHeader> peekTlvHeader(ByteView data);

// The object at the start of `data`; bytes after it are left alone.
TlvObject parseTlv(ByteView data);

// Every object in `data`, which they must fill exactly.
std::vector<TlvObject> parseTlvSequence(ByteView data);

// The first object with `tag` among the objects that fill `data` (one level,
// no descent).
std::optional<TlvObject> findTlv(ByteView data, std::uint32_t tag);

// Like findTlv, but a missing object is MalformedDataError naming `what`.
TlvObject requireTlv(ByteView data, std::uint32_t tag, const char* what);

Bytes encodeTag(std::uint32_t tag);
Bytes encodeLength(std::size_t length);
Bytes encodeTlv(std::uint32_t tag, ByteView value);

} // namespace readerlink::chip
