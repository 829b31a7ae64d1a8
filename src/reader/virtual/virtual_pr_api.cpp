#include "reader/virtual/virtual_pr_api.h"

#include "common/text.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/jpeg2000_decoder.h"
#include "reader/mrz/mrz_layout.h"
#include "reader/virtual/chip_access.h"
#include "reader/virtual/chip_files.h"
#include "reader/virtual/device_status.h"
#include "reader/virtual/document_builder.h"
#include "reader/virtual/forced_faults.h"
#include "reader/virtual/glass.h"
#include "reader/virtual/jpeg_codec.h"

namespace readerlink::virtualreader {

namespace {

constexpr int kWhiteLight = 1;
constexpr int kInfraLight = 2;
constexpr int kAllLights = 1 | 2 | 4; // white, infrared, ultraviolet
constexpr int kPREventPageCaptured = 101;
constexpr int kPREventImageCaptured = 102;
constexpr int kPREventCapture = 103;

class ReaderImages : public ImageProvider {
public:
    SharedPicture image(std::u16string_view param) const override {
        if (param == u"Original,White")
            return white;
        if (param == u"Original,Infra")
            return infra;
        return nullptr;
    }
    SharedPicture white;
    SharedPicture infra;
};

SharedPicture plainPage() {
    static const SharedPicture picture = [] {
        auto image = std::make_shared<sdk::RgbImage>();
        image->width = 640;
        image->height = 448;
        image->rgb.assign(static_cast<std::size_t>(image->width) * image->height * 3, 232);
        return image;
    }();
    return picture;
}

} // namespace

// The device itself: open or closed, its lights, the captured page and the
// documents recognised from it. The glass and the chip are its parts.
class VirtualPrApi::Device : public std::enable_shared_from_this<Device> {
public:
    explicit Device(std::shared_ptr<ReaderSession> session)
        : session_(std::move(session)), images_(std::make_shared<ReaderImages>()),
          glass_(std::make_shared<Glass>(session_)), chip_(session_, *glass_, status_) {
        sourceHandle_ = session_->sources.add(kReaderImageSource, images_);
        glass_->onLeaving([this](const LaidDocument* doc) { chip_.documentLeaving(doc); });
    }

    void shutdown() { glass_->shutdown(); }

    // ---- device ----

    sdk::SdkBool useDevice(int devno) {
        checkForcedFault("UseDeviceN", top(), status_);
        if (devno != 0)
            return status_.failBool(kNoSuchDevice);
        if (glass_->isOpen())
            return status_.okBool();
        if (const auto why = glass_->open())
            return status_.failBool(kGlassFolderUnavailable,
                                    errorText(kGlassFolderUnavailable) + u": " + *why);
        lights_ = kAllLights;
        return status_.okBool();
    }

    int closeDevice() {
        glass_->close();
        chip_.documentLeaving(nullptr);
        status_.ok();
        return 0;
    }

    int setPageLight(int pages, int& lights) {
        checkForcedFault("SetPageLight", top(), status_);
        if (!glass_->isOpen())
            return status_.fail(kDeviceNotOpen);
        if (pages != 1)
            return status_.fail(kBadArgument);
        lights &= kAllLights;
        lights_ = lights;
        status_.ok();
        return 0;
    }

    int freerunMode() const { return glass_->freerunMode(); }
    void setFreerunMode(int mode) { glass_->setFreerunMode(mode); }
    void subscribe(sdk::PrApiEvents* sink) { glass_->subscribe(sink); }

    int sourceHandle() const { return sourceHandle_; }

    // ---- capture and recognition ----

    int capture() {
        const auto doc = glass_->top();
        checkForcedFault("Capture", doc.get(), status_);
        if (!glass_->isOpen())
            return status_.fail(kDeviceNotOpen);
        // Event handlers may run the message loop; keep this alive meanwhile.
        const auto self = shared_from_this();
        const int lights = lights_;
        raisePREvent(kPREventCapture, 0, lights);
        SharedPicture white = emptyGlassPicture();
        SharedPicture infra = emptyGlassPicture();
        if (doc) {
            loadPages(*doc);
            white = doc->white;
            infra = doc->infra;
        }
        images_->white = (lights & kWhiteLight) ? white : nullptr;
        images_->infra = (lights & kInfraLight) ? infra : nullptr;
        captured_ = doc;
        capturedLights_ = lights;
        hasCapture_ = true;
        status_.ok();
        images_->notifyChanged();
        if (images_->white)
            raisePREvent(kPREventImageCaptured, kWhiteLight, 0);
        if (images_->infra)
            raisePREvent(kPREventImageCaptured, kInfraLight, 0);
        raisePREvent(kPREventPageCaptured, 0, lights);
        return 0;
    }

    sdk::DocHandle getMrz(int page, int light) {
        const auto doc = captured_;
        checkForcedFault("GetMrz", doc.get(), status_);
        if (!glass_->isOpen())
            return status_.failHandle(kDeviceNotOpen);
        if (page != 0)
            return status_.failHandle(kBadArgument);
        if (!hasCapture_ || !doc)
            return status_.failHandle(kNoDocument);
        const int mask = lightMask(light);
        if ((light != kWhiteLight && light != kInfraLight) || !(capturedLights_ & mask))
            return status_.failHandle(kNoMrz, u"No MRZ found: light " + toDecimal(light) +
                                                  u" was not captured");
        if (doc->specimen.mrz.empty())
            return status_.failHandle(kNoMrz);
        if (doc->mrzUnreadableLeft > 0) {
            --doc->mrzUnreadableLeft;
            return status_.failHandle(kNoMrz);
        }
        status_.ok();
        return add(mrzDocument(doc->specimen.mrz, doc->specimen.forcedFieldStatus));
    }

    sdk::DocHandle recognize(int page) {
        const auto doc = captured_;
        checkForcedFault("Recognize", doc.get(), status_);
        if (!glass_->isOpen())
            return status_.failHandle(kDeviceNotOpen);
        if (page != 0)
            return status_.failHandle(kBadArgument);
        if (!hasCapture_ || !doc)
            return status_.failHandle(kNoDocument);
        VirtualDocument result;
        if (!doc->specimen.mrz.empty())
            result = mrzDocument(doc->specimen.mrz, doc->specimen.forcedFieldStatus);
        else
            for (const auto& [code, status] : doc->specimen.forcedFieldStatus)
                result.statuses[code] = status;
        result.valid = true;
        if (doc->specimen.portrait && images_->white)
            if (auto portrait = cropPicture(images_->white, *doc->specimen.portrait))
                result.images[kPortraitField] = std::move(portrait);
        if (doc->portrait && images_->white)
            result.images[kPortraitField] = doc->portrait;
        status_.ok();
        return add(std::move(result));
    }

    // A conversion, not a device operation: leaves the last error alone.
    sdk::DocHandle resolveMrzText(const std::u16string& lines) {
        checkForcedFault("ResolveMrzText", top(), status_);
        const auto split = mrz::splitMrzText(toMrzAscii(lines));
        if (split.empty())
            return 0;
        return add(mrzDocument(split, {}));
    }

    // A conversion as well: the reader's last error still tells why the chip
    // read before it failed.
    sdk::DocHandle resolveRfidData(const sdk::Variant& data) {
        checkForcedFault("ResolveRfidData", top(), status_);
        if (data.kind != sdk::Variant::Kind::Bytes)
            return 0;
        const auto content = resolveChipFile(data.bytes);
        if (!content)
            return 0;
        VirtualDocument doc;
        doc.valid = true;
        if (const auto* com = std::get_if<EfComContent>(&*content)) {
            doc.chipFileMask = com->fileMask;
        } else if (const auto* dg1 = std::get_if<Dg1Content>(&*content)) {
            doc.fields[kChipMrzField] = fromUtf8(dg1->mrz);
        } else if (const auto* dg2 = std::get_if<Dg2Content>(&*content)) {
            // A face that cannot be decoded still makes a document: the chip
            // file was read, only the picture stays empty.
            if (auto face = decodeFace(*dg2))
                doc.images[kChipFaceField] = std::make_shared<sdk::RgbImage>(std::move(*face));
        }
        return add(std::move(doc));
    }

    // ---- chip ----

    ChipAccess& chip() { return chip_; }

    int errorCode() const { return status_.code(); }
    std::u16string errorString() const { return status_.text(); }

    static int lightMask(int lightId) {
        return lightId >= 1 && lightId <= 3 ? 1 << (lightId - 1) : 0;
    }

private:
    const VirtualReaderOptions& options() const { return session_->options; }

    LaidDocument* top() const { return glass_->top().get(); }

    sdk::DocHandle add(VirtualDocument doc) {
        return session_->documents.add(std::make_shared<const VirtualDocument>(std::move(doc)));
    }

    void diagnose(const std::u16string& line) {
        if (options().diagnostics)
            options().diagnostics(line);
    }

    void raisePREvent(int event, int param1, int param2) {
        if (auto* sink = glass_->sink())
            sink->OnPREvent(event, param1, param2);
    }

    SharedPicture loadPicture(const std::filesystem::path& path) {
        const auto bytes = readFileBytes(path);
        auto image = bytes ? codec_.decode(*bytes) : std::nullopt;
        if (!image) {
            diagnose(u"Virtual reader: page image unreadable: " + fromUtf8(path.string()));
            return plainPage();
        }
        return std::make_shared<const sdk::RgbImage>(std::move(*image));
    }

    void loadPages(LaidDocument& doc) {
        if (doc.pagesLoaded)
            return;
        doc.white =
            doc.specimen.whitePage.empty() ? plainPage() : loadPicture(doc.specimen.whitePage);
        doc.infra =
            doc.specimen.infraPage.empty() ? plainPage() : loadPicture(doc.specimen.infraPage);
        doc.pagesLoaded = true;
    }

    std::optional<sdk::RgbImage> decodeFace(const chip::FaceImage& face) {
        if (face.format == chip::ImageFormat::Jpeg)
            return codec_.decode(face.data);
        try {
            chip::RgbImage decoded = chip::decodeJpeg2000(face.data);
            return sdk::RgbImage{decoded.width, decoded.height, std::move(decoded.rgb)};
        } catch (const chip::ChipError& e) {
            diagnose(u"Virtual reader: chip face image unreadable: " + fromUtf8(e.what()));
            return std::nullopt;
        }
    }

    std::shared_ptr<ReaderSession> session_;
    std::shared_ptr<ReaderImages> images_;
    DeviceStatus status_;
    std::shared_ptr<Glass> glass_;
    ChipAccess chip_;
    int sourceHandle_ = 0;
    JpegCodec codec_;
    int lights_ = kAllLights;
    std::shared_ptr<LaidDocument> captured_;
    int capturedLights_ = 0;
    bool hasCapture_ = false;
};

VirtualPrApi::VirtualPrApi(std::shared_ptr<ReaderSession> session)
    : device_(std::make_shared<Device>(std::move(session))) {}

VirtualPrApi::~VirtualPrApi() {
    device_->shutdown();
}

sdk::SdkBool VirtualPrApi::UseDeviceN(int devno, int) {
    return device_->useDevice(devno);
}
int VirtualPrApi::CloseDevice() {
    return device_->closeDevice();
}
int VirtualPrApi::SetPageLight(int pages, int& lights) {
    return device_->setPageLight(pages, lights);
}
int VirtualPrApi::Capture() {
    return device_->capture();
}
int VirtualPrApi::GetImageSource() {
    return kReaderImageSource;
}
int VirtualPrApi::GetSourceHandle() {
    return device_->sourceHandle();
}
int VirtualPrApi::GetLightMask(int lightId, int) {
    return Device::lightMask(lightId);
}
sdk::DocHandle VirtualPrApi::GetMrz(int page, int light, int) {
    return device_->getMrz(page, light);
}
sdk::DocHandle VirtualPrApi::Recognize(int page) {
    return device_->recognize(page);
}
sdk::DocHandle VirtualPrApi::ResolveMrzText(std::u16string& lines) {
    return device_->resolveMrzText(lines);
}
sdk::DocHandle VirtualPrApi::ResolveRfidData(const sdk::Variant& data) {
    return device_->resolveRfidData(data);
}
int VirtualPrApi::LightListItem(int index) {
    return index >= 0 && index <= 2 ? index + 1 : 0;
}
int VirtualPrApi::GetRfidCardList() {
    return device_->chip().cardList();
}
sdk::SdkBool VirtualPrApi::GetRfidCard(int cardNum, std::u16string& cardId) {
    return device_->chip().card(cardNum, cardId);
}
sdk::SdkBool VirtualPrApi::ConnectRfidCard(const std::u16string& card) {
    return device_->chip().connectCard(card);
}
sdk::SdkBool VirtualPrApi::DisconnectRfidCard(const std::u16string& card) {
    return device_->chip().disconnectCard(card);
}
sdk::SdkBool VirtualPrApi::MakeBAC(const std::u16string& card, std::u16string& lines) {
    return device_->chip().makeBac(card, lines);
}
sdk::SdkBool VirtualPrApi::GetRfidFileB(const std::u16string& card, int fileId,
                                        sdk::Variant& data) {
    return device_->chip().readFile(card, fileId, data);
}
int VirtualPrApi::GetErrorCode() {
    return device_->errorCode();
}
std::u16string VirtualPrApi::GetErrorString() {
    return device_->errorString();
}
int VirtualPrApi::FreerunMode() {
    return device_->freerunMode();
}
void VirtualPrApi::SetFreerunMode(int mode) {
    device_->setFreerunMode(mode);
}
void VirtualPrApi::Subscribe(sdk::PrApiEvents* sink) {
    device_->subscribe(sink);
}

} // namespace readerlink::virtualreader
