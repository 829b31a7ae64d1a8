#pragma once

// The main window's reader handlers: the connection step, the reader's two
// events, the "Read" button and its timer. Plain C++ over the window seam;
// the window forwards its clicks and timer ticks here.

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/message_loop.h"
#include "reader/reader_window.h"
#include "reader/sdk/control_factory.h"
#include "reader/sdk/reader_controls.h"

#include <functional>
#include <vector>

namespace readerlink::reader {

class ReaderStation : private sdk::PrApiEvents {
public:
    ReaderStation(sdk::ControlFactory& factory, ReaderWindow& window, ActivityLog& log,
                  Dialogs& dialogs, MessageLoop& messageLoop);
    ~ReaderStation() override;

    ReaderStation(const ReaderStation&) = delete;
    ReaderStation& operator=(const ReaderStation&) = delete;

    // The capture-and-read workflow a read runs. Until one is set, a read
    // only logs that no workflow is installed.
    void setReadWorkflow(std::function<void()> captureAndRead);

    // The six controls of the latest "Connect"; a control that could not be
    // created is null. The object itself stays the same for the station's
    // life, so a workflow may keep a reference to it (not to its members
    // across a message-loop run: a "Connect" may replace them).
    sdk::ReaderControls& controls() { return controls_; }

    // Errors the SDK raises while closing the previous reader or opening this
    // one are not caught here: they propagate to the caller, which shows them in the default error
    // display.
    void BtnConnectClick();

    void PrApiPREvent(int prEvent, int param1, int param2);
    void PrApiTestDocEvent(int status);
    void BtnTriggerClick();
    void TriggerTimerTimer();

    bool readRunning() const { return readRunning_; }

private:
    void OnPREvent(int prEvent, int param1, int param2) override;
    void OnTestDocEvent(int status) override;

    void createAndBindControls(); // makes, places and binds; returns early after "<connect>"
    bool bindPageView(sdk::GxImage& view, std::u16string_view param);
    bool bindDocumentView(sdk::GxImage& view, std::u16string_view param);
    void openReader(); // opens the reader, binds the document views, sets the lights
    enum class ReadCause { DocumentLaid, Button };
    void runRead(ReadCause cause);
    bool startRead(); // false when no read could start
    void retireControls();
    void releaseRetiredWhenIdle();

    sdk::ControlFactory& factory_;
    ReaderWindow& window_;
    ActivityLog& log_;
    Dialogs& dialogs_;
    MessageLoop& messageLoop_;
    std::function<void()> captureAndRead_;

    sdk::ReaderControls controls_;
    // Sets replaced by a later "Connect" stay alive until no read runs: a read
    // in progress may still hold on to them.
    std::vector<sdk::ReaderControls> retired_;
    bool readRunning_ = false;
    bool readPending_ = false; // a document was laid during the running read
    bool ended_ = false;
};

} // namespace readerlink::reader
