#pragma once

// Contactless readers through the PC/SC smart-card service (pcsc-lite on
// Linux, winscard on Windows: the same calls). A card is a chip::ApduTransport,
// so the chip layer reads a passport through it as it reads the virtual chip.

#include "reader/chip/apdu.h"
#include "reader/chip/chip_error.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace readerlink::pcsc {

class PcscError : public chip::ChipError {
public:
    enum class Kind {
        NoService,   // the smart-card service is not running
        NoReader,    // no reader, or not the one asked for
        NoCard,      // no card came within the time given
        CardRemoved, // the card left the reader
        ReaderGone,  // the reader was unplugged
        Cancelled,   // cancel() ended a wait
        Failed,      // anything else the service reports
    };
    PcscError(Kind kind, std::string_view message) : ChipError(message), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

struct ReaderInfo {
    std::string name;
    bool cardPresent = false;
    chip::Bytes atr; // of the card present, as the reader gives it
};

class PcscCard;

class PcscService {
public:
    // PcscError NoService when the service cannot be reached.
    PcscService();
    ~PcscService();
    PcscService(const PcscService&) = delete;
    PcscService& operator=(const PcscService&) = delete;

    // Every reader the service knows; empty when there is none.
    std::vector<ReaderInfo> readers();

    // Blocks until a card is in the reader named `wanted` (empty: in any
    // reader) and returns that reader's name. NoReader when `wanted` is not
    // there or there is no reader at all, NoCard after `timeout`, Cancelled
    // when cancel() was called meanwhile.
    std::string waitForCard(const std::string& wanted, std::chrono::milliseconds timeout);

    // Blocks until `reader` holds no card: false when the card is still
    // there after `timeout`. NoReader when there is no such reader.
    bool waitForRemoval(const std::string& reader, std::chrono::milliseconds timeout);

    // From any thread: ends a waitForCard or waitForRemoval now.
    void cancel();

    // T=1 session with the card in `reader`; NoCard when there is none.
    std::unique_ptr<PcscCard> connect(const std::string& reader);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

class PcscCard final : public chip::ApduTransport {
public:
    ~PcscCard() override;

    // The card's whole answer: 61xx answers are collected with GET
    // RESPONSE, a 6Cxx answer repeats the command with the length the card
    // named. PcscError CardRemoved, ReaderGone or NoService when the card,
    // reader or service goes away.
    chip::Bytes transmit(chip::ByteView command) override;

    const chip::Bytes& atr() const { return atr_; }
    const std::string& reader() const { return reader_; }
    // Exchanges with the reader, GET RESPONSE and repeats included.
    std::size_t exchanges() const { return exchanges_; }

private:
    friend class PcscService;
    struct Handle;
    PcscCard(std::unique_ptr<Handle> handle, std::string reader, chip::Bytes atr);
    chip::Bytes exchange(chip::ByteView command);

    std::unique_ptr<Handle> handle_;
    std::string reader_;
    chip::Bytes atr_;
    std::size_t exchanges_ = 0;
};

} // namespace readerlink::pcsc
