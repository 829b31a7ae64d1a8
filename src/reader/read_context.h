#pragma once

// Everything a read pass works with that lives outside it.

#include "common/activity_log.h"
#include "common/error.h"
#include "common/message_loop.h"
#include "reader/reader_window.h"
#include "reader/sdk/reader_controls.h"

#include <functional>
#include <memory>
#include <string>

namespace readerlink::reader {

struct ReadContext {
    ReaderWindow& window;
    ActivityLog& log;
    MessageLoop& messageLoop;
    // Read through at every use: a second "Connect" may replace the controls
    // while the message loop runs in the middle of a pass.
    sdk::ReaderControls& controls;
    std::u16string& scanData;
    // Delivers scanData to the target application.
    std::function<void()> sendDataToApp;
};

// A control of the set, or an Error when the connection step never made it:
// a read must not touch a control that does not exist.
template <class Control> Control& control(const std::unique_ptr<Control>& held) {
    if (!held)
        throw Error(u"Reader is not connected");
    return *held;
}

} // namespace readerlink::reader
