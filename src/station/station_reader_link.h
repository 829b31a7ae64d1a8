#pragma once

// The desk passport reader behind the window: the connection step and reader
// events (ReaderStation), the read (ReadWorkflow) and the image archive, over
// the station's state and log.

#include "reader/converter_launcher.h"
#include "reader/image_archive.h"
#include "reader/local_clock.h"
#include "reader/read_workflow.h"
#include "reader/reader_station.h"
#include "reader/sdk/control_factory.h"
#include "station/station.h"

#include <memory>

namespace readerlink::station {

// The "Image" and "Infra" tabs' page views.
class PageViewHost {
public:
    virtual ~PageViewHost() = default;
    // The tab shows `view` now and after each of its changes, until removeView.
    virtual void showView(reader::ImagePage page, sdk::GxImage& view) = 0;
    // Stops showing the view placed on the tab; harmless when none is.
    virtual void removeView(reader::ImagePage page) = 0;
};

struct ReaderLinkParts {
    std::unique_ptr<sdk::ControlFactory> controls;
    std::unique_ptr<reader::LocalClock> clock;
    std::unique_ptr<reader::ConverterLauncher> converter;
    MessageLoop& messageLoop;
    PageViewHost* pageViews = nullptr; // null: no pictures shown
};

class StationReaderLink : public PassportReaderLink {
public:
    StationReaderLink(Station& station, ReaderLinkParts parts);
    ~StationReaderLink() override;

    void connect() override;
    void captureAndRead() override;

    reader::ReaderStation& readerStation() { return *readerStation_; }

private:
    class WindowOverStation;

    Station& station_;
    ReaderLinkParts parts_;
    std::unique_ptr<WindowOverStation> window_;
    std::unique_ptr<reader::ReaderStation> readerStation_;
    std::unique_ptr<reader::ReadContext> context_;
    std::unique_ptr<reader::ImageArchive> archive_;
    std::unique_ptr<reader::ReadWorkflow> workflow_;
};

} // namespace readerlink::station
