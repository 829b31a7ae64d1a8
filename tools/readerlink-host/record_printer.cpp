#include "record_printer.h"

#include "common/codepage1252.h"
#include "common/text.h"
#include "delivery/host_data_record.h"

#include <cstdio>
#include <cstdlib>

namespace readerlink::host {

namespace {

// Control characters are shown escaped so that a CR in an MRZ is visible.
std::string printable(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += toUtf8(std::u16string_view(&c, 1));
        }
    }
    return out;
}

void hexDump(std::span<const std::uint8_t> bytes) {
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::printf("  %04zx ", row);
        for (std::size_t i = row; i < row + 16 && i < bytes.size(); ++i)
            std::printf(" %02x", bytes[i]);
        std::printf("\n");
    }
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--hex") {
            options.hex = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--no-answer") {
            options.noAnswer = true;
        } else if (arg == "--drop") {
            options.drop = true;
        } else if (arg == "--count" && i + 1 < argc) {
            char* end = nullptr;
            options.count = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || options.count <= 0)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

std::int64_t printRequest(long number, std::uint64_t senderWindow, std::uint64_t dwData,
                          std::uint32_t cbData, std::span<const std::uint8_t> payload,
                          const Options& options) {
    const auto record = decodeHostDataRecord(payload);
    if (!options.quiet) {
        std::printf("record %ld from window 0x%llx: dwData %llu, cbData %u\n", number,
                    static_cast<unsigned long long>(senderWindow),
                    static_cast<unsigned long long>(dwData), cbData);
        if (record) {
            std::printf("  kind %d, textLength %u\n", record->kind,
                        static_cast<unsigned>(record->textLength));
            const auto bytes = record->textBytes();
            std::printf("  text \"%s\"\n",
                        printable(decodeWindows1252(bytes.data(), bytes.size())).c_str());
        } else {
            std::printf("  not a data record (cbData is not %zu)\n", kHostDataRecordSize);
        }
        if (options.hex)
            hexDump(payload);
        std::fflush(stdout);
    }
    return record ? kAnswerTaken : kAnswerRefused;
}

} // namespace readerlink::host
