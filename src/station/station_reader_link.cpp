#include "station/station_reader_link.h"

namespace readerlink::station {

class StationReaderLink::WindowOverStation : public reader::ReaderWindow {
public:
    WindowOverStation(Station& station, PageViewHost* pages) : station_(station), pages_(pages) {}

    std::u16string statusBarText() const override { return station_.statusBarText(); }
    void setStatusBarText(std::u16string_view text) override { station_.setStatusBarText(text); }
    void setStatusLabel(std::u16string_view text) override { station_.setStatusLabel(text); }
    void setErrorLabel(std::u16string_view text, LabelColour colour) override {
        station_.setErrorLabelText(text, colour);
    }
    int targetApplication() const override { return station_.appIndex(); }
    std::u16string pictureFolder() const override { return station_.picturePath(); }
    bool isPassport() const override { return station_.isPassport(); }
    void setIsPassport(bool value) override { station_.isPassport() = value; }
    void placeImageView(reader::ImagePage page, sdk::GxImage& view) override {
        if (pages_)
            pages_->showView(page, view);
    }
    void removeImageView(reader::ImagePage page) override {
        if (pages_)
            pages_->removeView(page);
    }
    void endApplication() override { station_.endApplication(); }

private:
    Station& station_;
    PageViewHost* pages_;
};

StationReaderLink::StationReaderLink(Station& station, ReaderLinkParts parts)
    : station_(station), parts_(std::move(parts)),
      window_(std::make_unique<WindowOverStation>(station, parts_.pageViews)) {
    readerStation_ = std::make_unique<reader::ReaderStation>(*parts_.controls, *window_, station,
                                                             station.dialogs(), parts_.messageLoop);
    context_ = std::make_unique<reader::ReadContext>(
        reader::ReadContext{*window_, station, parts_.messageLoop, readerStation_->controls(),
                            station.scanData(), [&station] { station.BtnSendDataClick(); }});
    archive_ = std::make_unique<reader::ImageArchive>(*context_, *parts_.clock, *parts_.converter);
    workflow_ = std::make_unique<reader::ReadWorkflow>(*context_, *archive_);
    readerStation_->setReadWorkflow([this] { workflow_->ARH_CaptureAndRead(); });
}

StationReaderLink::~StationReaderLink() {
    // The views go before the window's page views lose sight of them.
    if (parts_.pageViews) {
        parts_.pageViews->removeView(reader::ImagePage::Image);
        parts_.pageViews->removeView(reader::ImagePage::Infra);
    }
}

void StationReaderLink::connect() {
    readerStation_->BtnConnectClick();
}

void StationReaderLink::captureAndRead() {
    readerStation_->BtnTriggerClick();
}

} // namespace readerlink::station
