#include "pcsc_chip_read.h"

#include "reader/chip/card_capabilities.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg1_mrz.h"
#include "reader/chip/random_source.h"

namespace readerlink::chiptool {

PcscRead readChipOverPcsc(pcsc::PcscService& service, std::string_view mrzInformation,
                          const PcscReadOptions& options) {
    PcscRead out;
    out.reader = service.waitForCard(options.reader, options.wait);
    const std::unique_ptr<pcsc::PcscCard> card = service.connect(out.reader);
    const auto random = chip::makeSystemRandom();
    chip::BacReader reader(*card, *random);
    if (options.allowExtendedLength) {
        if (const auto extended = chip::probeExtendedLength(*card, card->atr())) {
            if (const std::size_t size = chip::securedReadSize(*extended); size > 231) {
                reader.setChunkSize(size);
                out.extendedLength = true;
            }
        }
    }
    const auto verifier = chip::makeSignedDataVerifier(options.trustFolder);
    out.readout = chip::readWholeChip(reader, mrzInformation, *verifier);
    out.exchanges = card->exchanges();
    return out;
}

std::string describe(const PcscRead& read) {
    std::string text = "Reader: " + read.reader + "\n";
    text += std::string("READ BINARY: ") + (read.extendedLength ? "extended length" : "short") +
            ", " + std::to_string(read.exchanges) + " APDUs\n";
    if (const auto dg1 = read.readout.files.find(1); dg1 != read.readout.files.end()) {
        try {
            text += "DG1 MRZ: " + chip::parseDg1(dg1->second) + "\n";
        } catch (const chip::ChipError& e) {
            text += std::string("DG1 MRZ: unreadable (") + e.what() + ")\n";
        }
    }
    text += "Files:";
    for (const auto& [number, bytes] : read.readout.files)
        text += (number == 0 ? std::string(" EF.COM ") : " DG" + std::to_string(number) + " ") +
                std::to_string(bytes.size());
    if (!read.readout.efSod.empty())
        text += " EF.SOD " + std::to_string(read.readout.efSod.size());
    text += " bytes\n";
    text += read.readout.passiveAuthentication.logLine() + "\n";
    return text;
}

} // namespace readerlink::chiptool
