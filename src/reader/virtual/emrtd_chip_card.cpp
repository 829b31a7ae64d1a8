#include "common/text.h"
#include "reader/chip/apdu.h"
#include "reader/chip/bac_reader.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/lds_files.h"
#include "reader/virtual/chip_authenticity.h"
#include "reader/virtual/chip_card.h"
#include "reader/virtual/error_codes.h"

#include <map>
#include <optional>

namespace readerlink::virtualreader {

namespace {

ChipStatus failure(int code) { return {code, errorText(code)}; }

// The table's text, and what the chip layer knows beyond it.
ChipStatus failure(int code, const std::exception& e) {
    return {code, errorText(code) + u": " + fromUtf8(e.what())};
}

ChipStatus fromStatusWord(std::uint16_t statusWord, const chip::ChipError& e) {
    switch (statusWord) {
    case chip::sw::kSecurityStatusNotSatisfied:
        return failure(kSecurityStatusNotSatisfied);
    case chip::sw::kFileNotFound:
        return failure(kFileNotFound);
    default:
        return failure(kChipCommunication, e);
    }
}

class EmrtdChipCard final : public ChipCard {
public:
    EmrtdChipCard(const chip::ChipDocument& document, ChipAuthenticity authenticity)
        : chip_(document), random_(chip::makeSystemRandom()),
          authenticity_(std::move(authenticity)) {}

    ChipStatus connect() override {
        // The chip enters the field afresh: nothing selected, no session.
        chip_.reset();
        reader_.emplace(chip_, *random_);
        try {
            reader_->selectApplication();
        } catch (const chip::ChipError& e) {
            reader_.reset();
            return failure(kChipCommunication, e);
        }
        return {};
    }

    void disconnect() override {
        if (reader_)
            reportAuthenticity(*reader_, read_, authenticity_);
        read_.clear();
        reader_.reset();
        chip_.reset();
    }

    ChipStatus performBac(std::string_view mrzInformation) override {
        if (!reader_)
            return failure(kCardNotConnected);
        try {
            reader_->performBac(mrzInformation);
            return {};
        } catch (const chip::BacError&) {
            return failure(kBacFailed);
        } catch (const chip::ChipError& e) {
            // Keys that cannot even be derived are a failed BAC as well.
            return failure(kBacFailed, e);
        }
    }

    ChipStatus readFile(int fileId, std::vector<std::uint8_t>& data) override {
        if (!reader_)
            return failure(kCardNotConnected);
        try {
            data = reader_->readFile(fileId);
            if (fileId != chip::kEfComFile)
                read_[fileId] = data;
            return {};
        } catch (const chip::CardStatusError& e) {
            return fromStatusWord(e.statusWord(), e);
        } catch (const chip::ChipError& e) {
            return failure(kChipCommunication, e);
        }
    }

private:
    chip::VirtualChip chip_;
    std::unique_ptr<chip::RandomSource> random_;
    std::optional<chip::BacReader> reader_;
    ChipAuthenticity authenticity_;
    std::map<int, chip::Bytes> read_; // data groups of this session
};

} // namespace

std::unique_ptr<ChipCard> makeEmrtdChipCard(const chip::ChipDocument& document) {
    return std::make_unique<EmrtdChipCard>(document, ChipAuthenticity{});
}

ChipCardFactory emrtdChipCardFactory(ChipAuthenticity authenticity) {
    return [authenticity](const chip::ChipDocument& document) -> std::unique_ptr<ChipCard> {
        return std::make_unique<EmrtdChipCard>(document, authenticity);
    };
}

} // namespace readerlink::virtualreader
