#include "reader/virtual/chip_card.h"
#include "reader/virtual/error_codes.h"

namespace readerlink::virtualreader {

namespace {

ChipStatus failure(int code) { return {code, errorText(code)}; }

class SimulatedChipCard : public ChipCard {
public:
    explicit SimulatedChipCard(ChipContents contents) : contents_(std::move(contents)) {}

    ChipStatus connect() override {
        connected_ = true;
        opened_ = false;
        return {};
    }

    void disconnect() override {
        connected_ = false;
        opened_ = false;
    }

    ChipStatus performBac(std::string_view mrzInformation) override {
        if (!connected_)
            return failure(kCardNotConnected);
        // A failed attempt closes the chip again, as a real one drops its
        // session keys.
        opened_ = mrzInformation == contents_.mrzInformation;
        return opened_ ? ChipStatus{} : failure(kBacFailed);
    }

    ChipStatus readFile(int fileId, std::vector<std::uint8_t>& data) override {
        if (!connected_)
            return failure(kCardNotConnected);
        if (contents_.bacProtected && !opened_)
            return failure(kSecurityStatusNotSatisfied);
        const auto file = contents_.files.find(fileId);
        if (file == contents_.files.end())
            return failure(kFileNotFound);
        data = file->second;
        return {};
    }

private:
    ChipContents contents_;
    bool connected_ = false;
    bool opened_ = false;
};

} // namespace

std::unique_ptr<ChipCard> makeSimulatedChipCard(const ChipContents& contents) {
    return std::make_unique<SimulatedChipCard>(contents);
}

} // namespace readerlink::virtualreader
