#pragma once

// The virtual reader's chip as a card in a contactless reader, whatever
// smart-card service the system has (PC/SC on Linux and Windows).

#include "reader/virtual/chip_authenticity.h"
#include "reader/virtual/chip_card.h"

#include <string>

namespace readerlink::platform {

// Every document's chip is the card in `reader` (empty: the first reader
// holding a card); Passive Authentication is reported after each session.
virtualreader::ChipCardFactory
makeContactlessChipCards(std::string reader, virtualreader::ChipAuthenticity authenticity);

} // namespace readerlink::platform
