#pragma once

// Test doubles for the chip layer's two seams: a random source that replays
// given bytes, and a transport that records (and may alter) every exchange.

#include <deque>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "reader/chip/apdu.h"
#include "reader/chip/random_source.h"

namespace readerlink::chip::testing {

class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<Bytes> script) : script_(script.begin(), script.end()) {}
    Bytes bytes(std::size_t count) override {
        if (script_.empty()) throw std::logic_error("scripted random numbers used up");
        Bytes next = std::move(script_.front());
        script_.pop_front();
        if (next.size() != count) throw std::logic_error("scripted random numbers of the wrong size");
        return next;
    }

private:
    std::deque<Bytes> script_;
};

struct Exchange {
    Bytes command;
    Bytes response;
};

// Passes commands on to `target`, keeps each exchange, and lets a test alter
// a response before the reader sees it.
class RecordingTransport final : public ApduTransport {
public:
    using Tamper = std::function<void(std::size_t index, Bytes& response)>;

    explicit RecordingTransport(ApduTransport& target, Tamper tamper = {})
        : target_(target), tamper_(std::move(tamper)) {}

    Bytes transmit(ByteView command) override {
        Bytes response = target_.transmit(command);
        if (tamper_) tamper_(exchanges_.size(), response);
        exchanges_.push_back({Bytes(command.begin(), command.end()), response});
        return response;
    }

    const std::vector<Exchange>& exchanges() const { return exchanges_; }
    void clear() { exchanges_.clear(); }

private:
    ApduTransport& target_;
    Tamper tamper_;
    std::vector<Exchange> exchanges_;
};

} // namespace readerlink::chip::testing
