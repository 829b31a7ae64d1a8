// Whatever a peer sends, the host side's request reader neither crashes nor
// reads out of bounds, and the pieces the stream cuts it into do not matter.

#include "common/codepage1252.h"
#include "delivery/host_data_record.h"
#include "delivery/host_protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

using namespace readerlink;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    HostRequestReader whole;
    const std::size_t usedWhole = whole.feed(bytes);

    HostRequestReader pieces;
    std::size_t usedPieces = 0;
    while (usedPieces < bytes.size() && pieces.state() == HostRequestReader::State::NeedMore) {
        const std::size_t n = std::min(piece, bytes.size() - usedPieces);
        const std::size_t used = pieces.feed(bytes.subspan(usedPieces, n));
        check(used <= n);
        usedPieces += used;
        if (used < n)
            break;
    }

    check(usedWhole == usedPieces);
    check(whole.state() == pieces.state());
    check(usedWhole <= bytes.size());
    if (whole.state() == HostRequestReader::State::Complete) {
        check(whole.payload().size() == whole.header().cbData);
        check(std::equal(whole.payload().begin(), whole.payload().end(), pieces.payload().begin(),
                         pieces.payload().end()));
        if (const auto record = decodeHostDataRecord(whole.payload())) {
            const auto text = record->textBytes();
            check(decodeWindows1252(text.data(), text.size()).size() == record->textLength);
        }
    }
    if (whole.state() == HostRequestReader::State::Invalid)
        check(!whole.problem().empty());

    // The sender's side over the same bytes read as UTF-16.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    const auto record = decodeHostDataRecord(encodeHostDataRecord(text));
    check(record && record->kind == kHostRecordKind);
    check(record->textLength == std::min<std::size_t>(text.size(), kHostTextCapacity));
    return 0;
}
