#include "platform/pcsc/pcsc_chip_card.h"

#include "common/text.h"
#include "platform/pcsc/pcsc_reader.h"
#include "reader/chip/bac_reader.h"
#include "reader/chip/card_capabilities.h"
#include "reader/chip/lds_files.h"
#include "reader/virtual/chip_authenticity.h"
#include "reader/virtual/error_codes.h"

#include <map>
#include <optional>

namespace readerlink::pcsc {

namespace {

using virtualreader::ChipStatus;
using virtualreader::errorText;

ChipStatus failure(int code) {
    return {code, errorText(code)};
}

ChipStatus failure(int code, const std::exception& e) {
    return {code, errorText(code) + u": " + fromUtf8(e.what())};
}

class PcscChipCard final : public virtualreader::ChipCard {
public:
    explicit PcscChipCard(PcscChipCardOptions options)
        : options_(std::move(options)), random_(chip::makeSystemRandom()) {}

    ~PcscChipCard() override { disconnect(); }

    ChipStatus connect() override {
        disconnect();
        try {
            if (!service_)
                service_.emplace();
            // A passport is either on the reader now or not at all.
            const std::string reader =
                service_->waitForCard(options_.reader, std::chrono::milliseconds(0));
            card_ = service_->connect(reader);
            reader_.emplace(*card_, *random_);
            if (const auto extended = chip::probeExtendedLength(*card_, card_->atr()))
                if (const std::size_t size = chip::securedReadSize(*extended); size > 231)
                    reader_->setChunkSize(size);
            reader_->selectApplication();
            return {};
        } catch (const PcscError& e) {
            dropCard();
            if (e.kind() == PcscError::Kind::NoCard || e.kind() == PcscError::Kind::NoReader)
                return failure(virtualreader::kNoChip, e);
            return failure(virtualreader::kChipCommunication, e);
        } catch (const chip::ChipError& e) {
            dropCard();
            return failure(virtualreader::kChipCommunication, e);
        }
    }

    void disconnect() override {
        if (reader_ && reader_->secured() && !read_.empty())
            checkAuthenticity();
        dropCard();
    }

    ChipStatus performBac(std::string_view mrzInformation) override {
        if (!reader_)
            return failure(virtualreader::kCardNotConnected);
        try {
            reader_->performBac(mrzInformation);
            return {};
        } catch (const chip::BacError&) {
            return failure(virtualreader::kBacFailed);
        } catch (const PcscError& e) {
            return failure(virtualreader::kChipCommunication, e);
        } catch (const chip::ChipError& e) {
            return failure(virtualreader::kBacFailed, e);
        }
    }

    ChipStatus readFile(int fileId, std::vector<std::uint8_t>& data) override {
        if (!reader_)
            return failure(virtualreader::kCardNotConnected);
        try {
            data = reader_->readFile(fileId);
            if (fileId != chip::kEfComFile)
                read_[fileId] = data;
            return {};
        } catch (const chip::CardStatusError& e) {
            if (e.statusWord() == chip::sw::kSecurityStatusNotSatisfied)
                return failure(virtualreader::kSecurityStatusNotSatisfied);
            if (e.statusWord() == chip::sw::kFileNotFound)
                return failure(virtualreader::kFileNotFound);
            return failure(virtualreader::kChipCommunication, e);
        } catch (const chip::ChipError& e) {
            return failure(virtualreader::kChipCommunication, e);
        }
    }

private:
    void checkAuthenticity() {
        virtualreader::reportAuthenticity(*reader_, read_, {options_.trustFolder, options_.log});
    }

    void dropCard() {
        reader_.reset();
        card_.reset();
        read_.clear();
    }

    PcscChipCardOptions options_;
    std::unique_ptr<chip::RandomSource> random_;
    std::optional<PcscService> service_;
    std::unique_ptr<PcscCard> card_;
    std::optional<chip::BacReader> reader_;
    std::map<int, chip::Bytes> read_;
};

} // namespace

std::unique_ptr<virtualreader::ChipCard> makePcscChipCard(PcscChipCardOptions options) {
    return std::make_unique<PcscChipCard>(std::move(options));
}

virtualreader::ChipCardFactory pcscChipCardFactory(PcscChipCardOptions options) {
    return [options](const chip::ChipDocument&) { return makePcscChipCard(options); };
}

} // namespace readerlink::pcsc
