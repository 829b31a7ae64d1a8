// The connection step for the desk passport reader.

#include "reader/reader_station.h"
#include "reader/sdk/class_ids.h"

namespace readerlink::reader {

// The station calls it for the desk reader only, after saving the choices.
void ReaderStation::BtnConnectClick() {
    if (controls_.prApi)
        controls_.prApi->CloseDevice();

    ended_ = false;
    try {
        createAndBindControls();
    } catch (const std::exception&) {
        // Any failure to create, place, subscribe or bind reads to the
        // operator as a missing SDK; the step goes on with what exists.
        dialogs_.showMessage(u"Class not Registered");
    }
    if (ended_)
        return;
    openReader();
}

void ReaderStation::createAndBindControls() {
    retireControls();
    controls_.prApi = factory_.CreatePrApi(sdk::kPrApiClassId);
    controls_.imViz = factory_.CreateGxImage(sdk::kGxImageClassId);
    controls_.prDoc = factory_.CreatePrDoc(sdk::kPrDocClassId);
    controls_.imRF = factory_.CreateGxImage(sdk::kGxImageClassId);
    controls_.img = factory_.CreateGxImage(sdk::kGxImageClassId);
    controls_.infraImg = factory_.CreateGxImage(sdk::kGxImageClassId);

    window_.placeImageView(ImagePage::Image, *controls_.img);
    window_.placeImageView(ImagePage::Infra, *controls_.infraImg);

    controls_.prApi->Subscribe(this);

    if (!bindPageView(*controls_.img, u"Original,White"))
        return;
    bindPageView(*controls_.infraImg, u"Original,Infra");
}

// Returns false when the program was ended.
bool ReaderStation::bindPageView(sdk::GxImage& view, std::u16string_view param) {
    view.SetImgSrcParam(std::u16string(param));
    view.UpdateImage();
    const int handle = controls_.prApi->GetSourceHandle();
    const int source = controls_.prApi->GetImageSource();
    if (view.Connect(source, handle) != 0)
        return true;
    log_.logStatus(u"<connect>");
    ended_ = true;
    window_.endApplication();
    return false;
}

bool ReaderStation::bindDocumentView(sdk::GxImage& view, std::u16string_view param) {
    view.SetImgSrcParam(std::u16string(param));
    const int source = controls_.prDoc->GetImageSource();
    const int handle = controls_.prDoc->GetSourceHandle();
    return view.Connect(source, handle) != 0;
}

void ReaderStation::openReader() {
    auto& c = controls_;
    // Steps that would use a control the factory could not create are
    // skipped; the others still run.
    if (c.prApi && !sdk::isTrue(c.prApi->UseDeviceN(0, 2))) {
        log_.logStatus(u"<use device>");
        dialogs_.showMessage(u"Use Device");
        return;
    }
    if (c.imViz && c.prDoc && !bindDocumentView(*c.imViz, u"2400")) {
        dialogs_.showMessage(u"Connect");
        return;
    }
    if (c.imRF && c.prDoc && !bindDocumentView(*c.imRF, u"4325377")) {
        dialogs_.showMessage(u"RFID Error Connect");
        return;
    }
    if (!c.prApi)
        return;
    int lights = c.prApi->GetLightMask(1, 0);
    lights += c.prApi->GetLightMask(2, 0);
    c.prApi->SetPageLight(1, lights);
    c.prApi->SetFreerunMode(4);
}

void ReaderStation::retireControls() {
    auto& c = controls_;
    if (!c.prApi && !c.prDoc && !c.img && !c.infraImg && !c.imViz && !c.imRF)
        return;
    if (c.prApi)
        c.prApi->Subscribe(nullptr);
    if (c.img)
        window_.removeImageView(ImagePage::Image);
    if (c.infraImg)
        window_.removeImageView(ImagePage::Infra);
    retired_.push_back(std::move(controls_));
    controls_ = {};
    releaseRetiredWhenIdle();
}

void ReaderStation::releaseRetiredWhenIdle() {
    if (!readRunning_)
        retired_.clear();
}

} // namespace readerlink::reader
