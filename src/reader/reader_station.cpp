#include "reader/reader_station.h"

#include "common/text.h"

namespace readerlink::reader {

ReaderStation::ReaderStation(sdk::ControlFactory& factory, ReaderWindow& window, ActivityLog& log,
                             Dialogs& dialogs, MessageLoop& messageLoop)
    : factory_(factory), window_(window), log_(log), dialogs_(dialogs), messageLoop_(messageLoop) {}

ReaderStation::~ReaderStation() {
    if (controls_.prApi)
        controls_.prApi->Subscribe(nullptr);
}

void ReaderStation::setReadWorkflow(std::function<void()> captureAndRead) {
    captureAndRead_ = std::move(captureAndRead);
}

void ReaderStation::OnPREvent(int prEvent, int param1, int param2) {
    PrApiPREvent(prEvent, param1, param2);
}

void ReaderStation::OnTestDocEvent(int status) {
    PrApiTestDocEvent(status);
}

void ReaderStation::PrApiPREvent(int prEvent, int param1, int param2) {
    const std::u16string params =
        u"param1 = " + toDecimal(param1) + u", " + u"param2 = " + toDecimal(param2);
    switch (prEvent) {
    case 101:
        log_.log(u"Page captured: " + params);
        break;
    case 102:
        window_.setStatusLabel(u"Image Captured");
        log_.log(u"Image captured: " + params);
        break;
    case 103:
        log_.log(u"<Capture>");
        log_.log(u"");
        window_.setStatusLabel(u"Capture");
        messageLoop_.processMessages();
        break;
    default:
        window_.setStatusLabel(u"Event Occured: PREvent = " + toDecimal(prEvent));
        log_.log(u"Event occured: PREvent = " + toDecimal(prEvent) + u", " + params);
        break;
    }
}

void ReaderStation::PrApiTestDocEvent(int status) {
    switch (status) {
    case 0:
        window_.setStatusBarText(u"No document ...");
        // Taken away before its turn: nothing is left to read.
        readPending_ = false;
        break;
    case 1:
        window_.setStatusBarText(u"Document is moving ...");
        break;
    case 2:
        window_.setStatusBarText(u"Document stopped ...");
        break;
    case 4:
        window_.setStatusBarText(u"Ready to capture ...");
        runRead(ReadCause::DocumentLaid);
        break;
    default:
        window_.setStatusBarText(u"Status: " + toDecimal(status));
        break;
    }
}

void ReaderStation::BtnTriggerClick() {
    runRead(ReadCause::Button);
}

void ReaderStation::TriggerTimerTimer() {
    BtnTriggerClick();
}

void ReaderStation::runRead(ReadCause cause) {
    // A read lets the message loop run; a second one started there would
    // replace the document under the first and corrupt its result. A document
    // laid meanwhile is read when this read ends (one at most: a later one
    // lies on the same glass).
    if (readRunning_) {
        if (cause == ReadCause::Button) {
            log_.log(u"Read ignored: a read is already running");
        } else if (!readPending_) {
            readPending_ = true;
            log_.log(u"Document laid during a read: it is read next");
        }
        return;
    }
    do {
        readPending_ = false;
        if (!startRead())
            return;
    } while (readPending_ && !ended_);
}

bool ReaderStation::startRead() {
    const auto& c = controls_;
    if (!c.prApi || !c.prDoc || !c.img || !c.infraImg || !c.imViz || !c.imRF) {
        log_.log(u"Read ignored: the reader controls are not available");
        return false;
    }
    if (!captureAndRead_) {
        log_.log(u"Read requested: no read workflow is installed");
        return false;
    }
    struct Running {
        ReaderStation& station;
        explicit Running(ReaderStation& s) : station(s) { station.readRunning_ = true; }
        ~Running() {
            station.readRunning_ = false;
            station.releaseRetiredWhenIdle();
        }
    } running(*this);
    captureAndRead_();
    return true;
}

} // namespace readerlink::reader
