#pragma once

// The virtual reader's chip operations on a real passport in a PC/SC reader:
// the document on the glass gives the MRZ for BAC, the card in the reader
// gives the files. After the reads, when the card is disconnected, Passive
// Authentication of what was read goes to the log as one line.

#include "reader/virtual/chip_card.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace readerlink::pcsc {

struct PcscChipCardOptions {
    std::string reader;                // empty: the first reader with a card
    std::filesystem::path trustFolder; // CSCA certificates and master lists
    // One line for the activity log (the Passive Authentication result).
    std::function<void(const std::string&)> log;
};

std::unique_ptr<virtualreader::ChipCard> makePcscChipCard(PcscChipCardOptions options);

// For VirtualReaderOptions::chipCardFactory: every document's chip is the card
// in the reader, whatever the specimen holds.
virtualreader::ChipCardFactory pcscChipCardFactory(PcscChipCardOptions options);

} // namespace readerlink::pcsc
