#pragma once

// One whole chip read through a PC/SC reader: wait for the card, choose
// short or extended READ BINARY from what the card announces, BAC, every
// file, EF.SOD and Passive Authentication. readerlink-chip prints it; the
// PC/SC tests and the benchmark drive it.

#include "platform/pcsc/pcsc_reader.h"
#include "reader/chip/chip_readout.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace readerlink::chiptool {

struct PcscReadOptions {
    std::string reader;                // empty: the first reader with a card
    std::filesystem::path trustFolder; // CSCA certificates and master lists
    bool allowExtendedLength = true;   // false: short APDUs whatever the card says
    std::chrono::milliseconds wait{0}; // for a card to be laid on
};

struct PcscRead {
    std::string reader;
    bool extendedLength = false;
    std::size_t exchanges = 0; // with the reader, all APDUs included
    chip::ChipReadout readout;
};

// Throws pcsc::PcscError for the service, reader and card, chip::BacError
// when BAC fails, chip::ChipError when a file cannot be read.
PcscRead readChipOverPcsc(pcsc::PcscService& service, std::string_view mrzInformation,
                          const PcscReadOptions& options);

// The lines readerlink-chip prints: reader, DG1 MRZ on one line, file sizes,
// the Passive Authentication line.
std::string describe(const PcscRead& read);

} // namespace readerlink::chiptool
