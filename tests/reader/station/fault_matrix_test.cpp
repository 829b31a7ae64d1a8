// Every SDK call one read pass makes, in turn made to fail, to hand back an
// invalid document, or to throw. The pass reads a passport with a
// BAC-protected chip (the pass that makes the most calls).
//
// For each cell:
//  - no crash, no hang: the read returns within a budget of calls;
//  - nothing partial or wrong is delivered: within each attempt of the read
//    (a restart begins a new one), the delivered texts are, in order, a
//    subsequence of what a clean read of this document may deliver: the page
//    MRZ, "@ImageReady" (chip face), the field record, the MRZ,
//    "@ImageReady" (page portrait) - each text exactly as the clean read
//    delivers it, except that a field of the field record may be empty: a
//    field the reader fails to give reads as a field the document lacks,
//    which the record carries as an empty value by design;
//  - the log says what failed: a thrown fault's message is logged or shown
//    in the error display; a fault that changes what is delivered or
//    archived leaves at least one log line the clean read does not have.

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "common/text.h"
#include "support/faulty_controls.h"
#include "virtual_station.h"

namespace readerlink::station_test {

using namespace readerlink::reader::testing;
namespace {

using Lines = std::vector<std::string>;

const char* const kSpecimen = "td3-passport-chip.json";

struct Outcome {
    std::vector<Delivery> deliveries;
    Lines log;
    Lines messages;
    Lines files;
    Lines trace;
    bool runaway = false;
    bool injected = false;
};

Outcome readWith(std::optional<Fault> fault, std::size_t budget) {
    FaultPlan plan;
    StationOptions options;
    options.decorate = [&plan](sdk::ControlFactory& inner) { return makeFaultInjectingFactory(inner, plan); };
    options.beforeRead = [&plan, fault, budget] { plan.arm(fault, budget); };
    VirtualStation station(options);
    station.connect();
    Outcome out;
    try {
        station.read(specimenFile(kSpecimen));
    } catch (const RunawayRead&) {
        out.runaway = true;
    }
    out.deliveries = station.deliveries();
    out.log = station.log();
    out.messages = station.window.messages;
    out.files = station.archiveFiles();
    out.trace = plan.trace();
    out.injected = plan.injected();
    return out;
}

Lines split(const std::string& record) {
    Lines fields;
    std::size_t from = 0;
    for (std::size_t at; (at = record.find('#', from)) != std::string::npos; from = at + 1)
        fields.push_back(record.substr(from, at - from));
    fields.push_back(record.substr(from));
    return fields;
}

// `delivered` stands for `clean`: the same text, or the same field record
// with some fields empty.
bool standsFor(const std::string& delivered, const std::string& clean) {
    if (delivered == clean)
        return true;
    const std::string record = "host: @#";
    if (delivered.rfind(record, 0) != 0 || clean.rfind(record, 0) != 0)
        return false;
    const Lines d = split(delivered), c = split(clean);
    if (d.size() != c.size())
        return false;
    for (std::size_t i = 0; i < d.size(); ++i)
        if (d[i] != c[i] && !d[i].empty())
            return false;
    return true;
}

bool isSubsequence(const Lines& part, const Lines& whole) {
    auto it = whole.begin();
    for (const auto& text : part) {
        it = std::find_if(it, whole.end(), [&](const std::string& w) { return standsFor(text, w); });
        if (it == whole.end())
            return false;
        ++it;
    }
    return true;
}

std::map<int, Lines> byAttempt(const std::vector<Delivery>& deliveries) {
    std::map<int, Lines> attempts;
    for (const auto& d : deliveries)
        attempts[d.attempt].push_back(d.text);
    return attempts;
}

Lines texts(const std::vector<Delivery>& deliveries) {
    Lines out;
    for (const auto& d : deliveries)
        out.push_back(d.attempt == 1 ? d.text : std::to_string(d.attempt) + ":" + d.text);
    return out;
}

bool isDocumentCall(const std::string& call) {
    static const std::set<std::string> kDocumentCalls = {"PrApi.GetMrz", "PrApi.Recognize", "PrApi.ResolveMrzText",
                                                         "PrApi.ResolveRfidData", "PrDoc.SetDocument"};
    return kDocumentCalls.count(call) != 0;
}

TEST(FaultMatrix, EveryCallOfAReadPassFailsSafely) {
    const Outcome clean = readWith(std::nullopt, 0);
    ASSERT_FALSE(clean.trace.empty());
    ASSERT_EQ(clean.messages, Lines{});
    const Lines cleanTexts = texts(clean.deliveries);
    ASSERT_EQ(cleanTexts.size(), 4u) << "page MRZ, @ImageReady, field record, MRZ";
    // Where each text may stand in a clean read of this document.
    const Lines allowed = {cleanTexts[0], "host: @ImageReady", cleanTexts[2], cleanTexts[3], "host: @ImageReady"};
    const std::set<std::string> cleanLog(clean.log.begin(), clean.log.end());
    const std::size_t budget = clean.trace.size() * 20;

    struct Row {
        std::string call;
        std::map<FaultKind, std::string> cells;
    };
    std::vector<Row> rows;
    std::map<std::string, int> seen;
    int cells = 0, unchanged = 0, degraded = 0, bad = 0;

    for (const auto& call : clean.trace) {
        const int occurrence = ++seen[call];
        Row row{call + " #" + std::to_string(occurrence), {}};
        for (FaultKind kind : {FaultKind::Fail, FaultKind::InvalidDocument, FaultKind::Throw}) {
            if (kind == FaultKind::InvalidDocument && !isDocumentCall(call))
                continue;
            const Fault fault{call, occurrence, kind};
            const Outcome out = readWith(fault, budget);
            ++cells;
            SCOPED_TRACE(row.call + " " + nameOf(kind));
            std::string verdict;
            bool ok = true;
            if (!out.injected) {
                ADD_FAILURE() << "the fault was never injected";
                ok = false;
            }
            if (out.runaway) {
                ADD_FAILURE() << "runaway read: more than " << budget << " calls";
                ok = false;
            }
            for (const auto& [attempt, delivered] : byAttempt(out.deliveries)) {
                if (!isSubsequence(delivered, allowed)) {
                    ADD_FAILURE() << "attempt " << attempt << " delivered "
                                  << ::testing::PrintToString(delivered);
                    ok = false;
                }
            }
            const bool changed = texts(out.deliveries) != cleanTexts || out.files != clean.files;
            const bool newLine = std::any_of(out.log.begin(), out.log.end(),
                                             [&](const std::string& l) { return cleanLog.count(l) == 0; });
            if (kind == FaultKind::Throw) {
                const std::string message = toUtf8(FaultPlan::messageFor(call));
                const bool told = std::find(out.log.begin(), out.log.end(), message) != out.log.end() ||
                                  std::find(out.messages.begin(), out.messages.end(), "error: " + message) !=
                                      out.messages.end();
                if (!told) {
                    ADD_FAILURE() << "the thrown fault was neither logged nor shown";
                    ok = false;
                }
            } else if (changed && !newLine) {
                ADD_FAILURE() << "the read changed (" << ::testing::PrintToString(texts(out.deliveries))
                              << ", files " << ::testing::PrintToString(out.files)
                              << ") without a log line saying so";
                ok = false;
            }
            if (!ok) {
                verdict = "FAIL";
                ++bad;
            } else if (!changed) {
                verdict = "same";
                ++unchanged;
            } else {
                verdict = std::to_string(out.deliveries.size()) + "/" + std::to_string(cleanTexts.size());
                if (out.files != clean.files)
                    verdict += "f";
                if (!out.messages.empty())
                    verdict += "!";
                ++degraded;
            }
            row.cells[kind] = verdict;
        }
        rows.push_back(std::move(row));
    }

    std::ostringstream table;
    table << "\nFault matrix over one read pass (" << kSpecimen << ", " << clean.trace.size()
          << " SDK calls)\n"
          << "cell: same = clean result; n/4 = texts delivered (all from the clean set, in order),"
          << " f = archive differs, ! = shown in the error display\n";
    table << std::left << std::setw(34) << "call" << std::setw(10) << "fail" << std::setw(10) << "invalid"
          << "throw\n";
    for (const auto& row : rows) {
        table << std::setw(34) << row.call;
        for (FaultKind kind : {FaultKind::Fail, FaultKind::InvalidDocument, FaultKind::Throw}) {
            const auto it = row.cells.find(kind);
            table << std::setw(kind == FaultKind::Throw ? 0 : 10) << (it == row.cells.end() ? "-" : it->second);
        }
        table << "\n";
    }
    table << cells << " cells: " << unchanged << " same result, " << degraded
          << " degraded and logged, " << bad << " failed\n";
    std::cout << table.str();
}

} // namespace
} // namespace readerlink::station_test
