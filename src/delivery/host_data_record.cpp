#include "delivery/host_data_record.h"

#include "common/codepage1252.h"
#include "delivery/little_endian.h"

#include <algorithm>

namespace readerlink {

HostRecordBytes encodeHostDataRecord(std::u16string_view text) {
    HostRecordBytes record{};
    putLittleEndian<std::uint32_t>(record.data() + kHostKindOffset,
                                   static_cast<std::uint32_t>(kHostRecordKind));
    const auto bytes = encodeWindows1252(text.substr(0, kHostTextCapacity));
    const std::size_t n = std::min(bytes.size(), kHostTextCapacity);
    record[kHostTextLengthOffset] = static_cast<std::uint8_t>(n);
    std::copy_n(bytes.begin(), n, record.begin() + kHostTextOffset);
    return record;
}

std::optional<HostDataRecord> decodeHostDataRecord(std::span<const std::uint8_t> payload) {
    if (payload.size() != kHostDataRecordSize)
        return std::nullopt;
    HostDataRecord record;
    record.kind = static_cast<std::int32_t>(getLittleEndian<std::uint32_t>(payload.data()));
    record.textLength = payload[kHostTextLengthOffset];
    std::copy_n(payload.begin() + kHostTextOffset, kHostTextCapacity, record.text.begin());
    return record;
}

} // namespace readerlink
