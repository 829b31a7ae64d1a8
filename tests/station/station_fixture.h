#pragma once

// A station on fakes: a temporary folder holds the executable's place and its
// Settings.ini; timers fire by hand; dialogs answer from a script.

#include "fakes/fake_autorun_store.h"
#include "fakes/fake_dialogs.h"
#include "support/manual_timer.h"
#include "fakes/recording_links.h"
#include "fakes/recording_view.h"
#include "support/temp_dir.h"
#include "station/station.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

namespace readerlink::station::testing {

using readerlink::testing::ManualTimer;
using readerlink::testing::ManualTimerFactory;
using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;

class StationFixture : public ::testing::Test {
protected:
    std::filesystem::path executable() const { return dir / "readerlink"; }
    std::filesystem::path settingsPath() const { return dir / "Settings.ini"; }

    // A new station, as a new process would make it; `arguments` as on the command line.
    Station& start(std::vector<std::u16string> arguments = {}) {
        station.reset();
        timers = ManualTimerFactory();
        station = std::make_unique<Station>(
            StationSetup{executable(), std::move(arguments), dialogs, autorun, timers, &out});
        station->setView(&view);
        station->setPassportReader(&reader);
        station->setSerialReader(&serial);
        station->setDelivery(&delivery);
        return *station;
    }

    // Create and show, as the window does at start.
    Station& startAndShow(std::vector<std::u16string> arguments = {}) {
        start(std::move(arguments));
        station->FormCreate();
        station->FormShow();
        return *station;
    }

    // The station's four timers, in the order it makes them.
    ManualTimer& minTimer() { return *timers.created.at(0); }
    ManualTimer& sendDataTimer() { return *timers.created.at(1); }
    ManualTimer& triggerTimer() { return *timers.created.at(2); }
    ManualTimer& bufferTimer() { return *timers.created.at(3); }

    TempDir dir;
    FakeDialogs dialogs;
    FakeAutorunStore autorun;
    ManualTimerFactory timers;
    RecordingView view;
    CallLog calls;
    RecordingReader reader{calls};
    RecordingSerial serial{calls};
    RecordingDelivery delivery{calls};
    std::ostringstream out;
    std::unique_ptr<Station> station;
};

} // namespace readerlink::station::testing
