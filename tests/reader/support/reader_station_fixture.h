#pragma once

// A reader station over the scripted fake SDK, with the fault decorator
// between them and a recording window; the fake reader's call list is the
// journal of everything, in order.

#include "reader/reader_station.h"
#include "support/fake_sdk.h"
#include "support/faulty_controls.h"
#include "support/recording_window.h"

#include <gtest/gtest.h>
#include <memory>

namespace readerlink::reader::testing {

class ReaderStationTest : public ::testing::Test {
protected:
    // Makes the `occurrence`th call of that name ("Img.Connect") fail or throw.
    void inject(const std::string& call, FaultKind kind, int occurrence = 1) {
        faults.arm(Fault{call, occurrence, kind}, 0);
    }

    fake::FakeReader reader;
    Journal& journal = reader.calls;
    std::unique_ptr<sdk::ControlFactory> readerFactory = reader.makeFactory();
    FaultPlan faults;
    std::unique_ptr<sdk::ControlFactory> factory =
        makeFaultInjectingFactory(*readerFactory, faults);
    RecordingWindow window{journal};
    ReaderStation station{*factory, window, window, window, window};
};

} // namespace readerlink::reader::testing
