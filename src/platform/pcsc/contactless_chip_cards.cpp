// The neutral chip-card factory of src/platform/chip_cards.h: PC/SC on every
// system that builds this folder.
#include "platform/chip_cards.h"
#include "platform/pcsc/pcsc_chip_card.h"

namespace readerlink::platform {

virtualreader::ChipCardFactory
makeContactlessChipCards(std::string reader, virtualreader::ChipAuthenticity authenticity) {
    return pcsc::pcscChipCardFactory(
        {std::move(reader), std::move(authenticity.trustFolder), std::move(authenticity.report)});
}

} // namespace readerlink::platform
