#pragma once

// A fault-injecting decorator over any control factory: its controls pass
// every call through to the real ones and record it ("PrApi.GetMrz",
// "ImRF.XSize", ...), and, when armed, make one chosen call fail, hand back
// an invalid document, or throw. It also times each call. A budget of calls turns a runaway read
// into an exception no handler of the program catches, so a hang shows as a test failure instead of
// a stuck test.

#include "reader/sdk/control_factory.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace readerlink::reader::testing {

enum class FaultKind {
    Fail, // the call reports failure (false, 0, no document, empty text) and does nothing
    InvalidDocument, // a document handle the reader does not know (document calls only)
    Throw,           // the call raises sdk::SdkError
};

const char* nameOf(FaultKind kind);

struct Fault {
    std::string call;   // "PrApi.GetMrz", "PrDoc.Field", "ImRF.SaveImage", ...
    int occurrence = 1; // which call of that name, counted from arming
    FaultKind kind = FaultKind::Fail;
};

// Thrown when a read makes more calls than its budget: not a std::exception,
// so nothing in the program mistakes it for an SDK error and carries on.
struct RunawayRead {
    std::size_t calls;
};

class FaultPlan {
public:
    // Starts counting calls afresh and arms `fault` (none: record only).
    void arm(std::optional<Fault> fault, std::size_t budget);

    // Every decorated call: records it and says whether to inject, and how.
    // `documentCall`: the call hands out a document handle.
    std::optional<FaultKind> enter(const std::string& call, bool documentCall);

    const std::vector<std::string>& trace() const { return trace_; }

    // Controls whose creation fails as an unregistered class, by role
    // ("PrApi", "PrDoc", "ImViz", "ImRF", "Img", "InfraImg"); armed or not.
    std::set<std::string> refusedCreations;
    bool injected() const { return injected_; }

    // Time spent inside each call name since arming (benchmarks).
    void addTime(const std::string& call, std::chrono::nanoseconds spent) { spent_[call] += spent; }
    const std::map<std::string, std::chrono::nanoseconds>& timeSpent() const { return spent_; }
    // The message an injected throw carries.
    static std::u16string messageFor(const std::string& call);

private:
    std::optional<Fault> fault_;
    std::vector<std::string> trace_;
    std::size_t budget_ = 0;
    int seen_ = 0;
    bool injected_ = false;
    bool recording_ = false;
    std::map<std::string, std::chrono::nanoseconds> spent_;
};

// The handle an InvalidDocument fault hands out: one no reader ever made.
inline constexpr int kUnknownDocument = 0x7FFF0001;

std::unique_ptr<sdk::ControlFactory> makeFaultInjectingFactory(sdk::ControlFactory& inner,
                                                               FaultPlan& plan);

} // namespace readerlink::reader::testing
