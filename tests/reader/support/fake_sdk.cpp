#include "support/fake_sdk.h"

#include "common/text.h"
#include "reader/sdk/class_ids.h"
#include "reader/sdk/sdk_error.h"

#include <fstream>

namespace readerlink::fake {

namespace {

class FakePrApi final : public sdk::PrApi {
public:
    explicit FakePrApi(FakeReader& r) : r_(r) {}

    sdk::SdkBool UseDeviceN(int devno, int mode) override {
        r_.called("UseDeviceN " + std::to_string(devno) + " " + std::to_string(mode));
        return r_.useDeviceResult;
    }
    int CloseDevice() override {
        r_.called("CloseDevice");
        return 0;
    }
    int SetPageLight(int pages, int& lights) override {
        r_.called("SetPageLight " + std::to_string(pages) + " " + std::to_string(lights));
        return 0;
    }
    int Capture() override {
        r_.called("Capture");
        ++r_.captures;
        return 0;
    }
    int GetImageSource() override {
        r_.called("GetImageSource");
        return 1;
    }
    int GetSourceHandle() override {
        r_.called("GetSourceHandle");
        return 77;
    }
    int GetLightMask(int light, int window) override {
        r_.called("GetLightMask " + std::to_string(light) + " " + std::to_string(window));
        return light == 1 ? 1 : light == 2 ? 2 : 0;
    }
    sdk::DocHandle GetMrz(int page, int light, int type) override {
        r_.called("GetMrz " + std::to_string(page) + " " + std::to_string(light) + " " +
                  std::to_string(type));
        return r_.next(r_.getMrzResults, r_.getMrzIndex);
    }
    sdk::DocHandle Recognize(int page) override {
        r_.called("Recognize " + std::to_string(page));
        return r_.next(r_.recognizeResults, r_.recognizeIndex);
    }
    sdk::DocHandle ResolveMrzText(std::u16string& lines) override {
        r_.called("ResolveMrzText " + toUtf8(lines));
        return r_.resolveMrzTextResult;
    }
    sdk::DocHandle ResolveRfidData(const sdk::Variant& data) override {
        r_.called("ResolveRfidData");
        if (data.kind != sdk::Variant::Kind::Bytes || data.bytes.size() != 4)
            return 0;
        return static_cast<sdk::DocHandle>(data.bytes[0] | (data.bytes[1] << 8) |
                                           (data.bytes[2] << 16) | (data.bytes[3] << 24));
    }
    int LightListItem(int index) override {
        r_.called("LightListItem " + std::to_string(index));
        return 7;
    }
    int GetRfidCardList() override {
        r_.called("GetRfidCardList");
        return r_.cardCount;
    }
    sdk::SdkBool GetRfidCard(int cardNum, std::u16string& cardId) override {
        r_.called("GetRfidCard " + std::to_string(cardNum));
        if (!r_.cardFound)
            return sdk::kSdkFalse;
        cardId = u"CARD" + toDecimal(cardNum);
        return sdk::kSdkTrue;
    }
    sdk::SdkBool ConnectRfidCard(const std::u16string& card) override {
        r_.called("ConnectRfidCard " + toUtf8(card));
        r_.connected = r_.connects;
        return r_.connects ? sdk::kSdkTrue : sdk::kSdkFalse;
    }
    sdk::SdkBool DisconnectRfidCard(const std::u16string& card) override {
        r_.called("DisconnectRfidCard " + toUtf8(card));
        r_.connected = false;
        return sdk::kSdkTrue;
    }
    sdk::SdkBool MakeBAC(const std::u16string& card, std::u16string& lines) override {
        r_.called("MakeBAC " + toUtf8(card));
        r_.bacAttempts.push_back(lines);
        if (lines == r_.bacMrz) {
            r_.bacDone = true;
            r_.errorCode = 0;
            return sdk::kSdkTrue;
        }
        r_.errorCode = 0x6300;
        return sdk::kSdkFalse;
    }
    sdk::SdkBool GetRfidFileB(const std::u16string& card, int fileId, sdk::Variant& data) override {
        r_.called("GetRfidFileB " + toUtf8(card) + " " + std::to_string(fileId));
        if (!r_.connected)
            return sdk::kSdkFalse;
        const auto file = r_.chipFiles.find(fileId);
        if (file == r_.chipFiles.end() || r_.unreadableFiles.count(fileId) != 0) {
            r_.errorCode = 0x6A82;
            return sdk::kSdkFalse;
        }
        if (r_.bacRequired && !r_.bacDone) {
            r_.errorCode = r_.errorBeforeBac;
            return sdk::kSdkFalse;
        }
        data = chipBytes(file->second);
        r_.errorCode = 0;
        return sdk::kSdkTrue;
    }
    int GetErrorCode() override { return r_.errorCode; }
    std::u16string GetErrorString() override {
        const auto text = r_.errorTexts.find(r_.errorCode);
        return text == r_.errorTexts.end() ? u"Unknown" : text->second;
    }
    int FreerunMode() override { return 4; }
    void SetFreerunMode(int mode) override { r_.called("FreerunMode " + std::to_string(mode)); }
    void Subscribe(sdk::PrApiEvents* sink) override {
        r_.called(sink ? "Subscribe" : "Unsubscribe");
        r_.sink = sink;
    }

private:
    FakeReader& r_;
};

class FakePrDoc final : public sdk::PrDoc {
public:
    explicit FakePrDoc(FakeReader& r) : r_(r) {}

    sdk::DocHandle Document() override { return r_.selected; }
    void SetDocument(sdk::DocHandle handle) override { r_.selected = handle; }
    sdk::SdkBool Valid() override {
        const FakeDocument* doc = r_.selectedDocument();
        return doc != nullptr && doc->valid ? sdk::kSdkTrue : sdk::kSdkFalse;
    }
    std::u16string Field(int code) override {
        r_.called("Field " + std::to_string(code));
        const FakeDocument* doc = r_.selectedDocument();
        if (doc == nullptr)
            return {};
        const auto f = doc->fields.find(code);
        return f == doc->fields.end() ? std::u16string() : f->second;
    }
    int FieldStatus(int code) override {
        const FakeDocument* doc = r_.selectedDocument();
        if (doc == nullptr)
            return 0;
        const auto s = doc->statuses.find(code);
        return s == doc->statuses.end() ? 0 : s->second;
    }
    sdk::SdkBool FieldProperty(int code, int prop, sdk::Variant& data) override {
        r_.called("FieldProperty " + std::to_string(code) + " " + std::to_string(prop));
        const FakeDocument* doc = r_.selectedDocument();
        if (doc == nullptr || !doc->fileMask)
            return sdk::kSdkFalse;
        data = *doc->fileMask;
        return sdk::kSdkTrue;
    }
    int GetImageSource() override {
        r_.called("PrDoc GetImageSource");
        return 2;
    }
    int GetSourceHandle() override {
        r_.called("PrDoc GetSourceHandle");
        return 88;
    }
    int GetErrorCode() override { return r_.docErrorCode; }
    std::u16string GetErrorString() override { return r_.docErrorText; }

private:
    FakeReader& r_;
};

enum class View { Page, Infra, PagePortrait, ChipFace };

class FakeGxImage final : public sdk::GxImage {
public:
    FakeGxImage(FakeReader& r, View view) : r_(r), view_(view) {}

    std::u16string ImgSrcParam() override { return param_; }
    void SetImgSrcParam(const std::u16string& param) override {
        r_.called("ImgSrcParam " + name() + " " + toUtf8(param));
        param_ = param;
    }
    int XSize() override {
        if (view_ == View::Page || view_ == View::Infra)
            return r_.captures > 0 ? 640 : 0;
        return shown_ ? 120 : 0;
    }
    int Connect(int source, int handle) override {
        r_.called("Connect " + name() + " " + std::to_string(source) + " " +
                  std::to_string(handle));
        return 1;
    }
    int UpdateImage() override {
        r_.called("UpdateImage " + name());
        const FakeDocument* doc = r_.selectedDocument();
        shown_ = doc != nullptr && doc->portrait;
        return 0;
    }
    int ClearImage() override {
        shown_ = false;
        return 0;
    }
    int SaveImage(const std::u16string& fileName, int type) override {
        r_.called("SaveImage " + name() + " " + toUtf8(fileName) + " " + std::to_string(type));
        if (XSize() <= 0 || r_.failingSaves.count(name()) != 0)
            return 0;
        std::ofstream out(toUtf8(fileName), std::ios::binary);
        if (!out)
            return 0;
        out << "\xFF\xD8" << name() << "\xFF\xD9";
        if (!out)
            return 0;
        r_.savedFiles.push_back(fileName);
        return 1;
    }
    sdk::RgbImage Picture() override { return {}; }
    void SetChangedHandler(std::function<void()>) override {}

    std::string name() const {
        switch (view_) {
        case View::Page:
            return "Img";
        case View::Infra:
            return "InfraImg";
        case View::PagePortrait:
            return "ImViz";
        case View::ChipFace:
            return "ImRF";
        }
        return {};
    }

private:
    FakeReader& r_;
    View view_;
    std::u16string param_;
    bool shown_ = false;
};

} // namespace

sdk::Variant chipBytes(sdk::DocHandle handle) {
    sdk::Variant v;
    v.kind = sdk::Variant::Kind::Bytes;
    const auto h = static_cast<std::uint32_t>(handle);
    v.bytes = {static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8),
               static_cast<std::uint8_t>(h >> 16), static_cast<std::uint8_t>(h >> 24)};
    return v;
}

void FakeReader::called(const std::string& call) {
    calls.push_back(call);
}

const FakeDocument* FakeReader::selectedDocument() const {
    if (selected == 0)
        return nullptr;
    const auto d = documents.find(selected);
    return d == documents.end() ? nullptr : &d->second;
}

sdk::DocHandle FakeReader::next(std::vector<sdk::DocHandle>& results, std::size_t& index) {
    if (results.empty())
        return 0;
    const sdk::DocHandle h = results[std::min(index, results.size() - 1)];
    ++index;
    return h;
}

namespace {

class FakeControlFactory final : public sdk::ControlFactory {
public:
    explicit FakeControlFactory(FakeReader& r) : r_(r) {}

    std::unique_ptr<sdk::PrApi> CreatePrApi(std::u16string_view classId) override {
        check(classId, sdk::kPrApiClassId);
        r_.called("create PrApi");
        views_ = 0;
        return std::make_unique<FakePrApi>(r_);
    }
    std::unique_ptr<sdk::PrDoc> CreatePrDoc(std::u16string_view classId) override {
        check(classId, sdk::kPrDocClassId);
        r_.called("create PrDoc");
        return std::make_unique<FakePrDoc>(r_);
    }
    std::unique_ptr<sdk::GxImage> CreateGxImage(std::u16string_view classId) override {
        check(classId, sdk::kGxImageClassId);
        static constexpr View kRoles[] = {View::PagePortrait, View::ChipFace, View::Page,
                                          View::Infra};
        auto view = std::make_unique<FakeGxImage>(r_, kRoles[views_++ % 4]);
        r_.called("create " + view->name());
        return view;
    }

private:
    static void check(std::u16string_view classId, std::u16string_view expected) {
        if (classId != expected)
            throw sdk::ClassNotRegistered(classId);
    }
    FakeReader& r_;
    int views_ = 0;
};

} // namespace

std::unique_ptr<sdk::ControlFactory> FakeReader::makeFactory() {
    return std::make_unique<FakeControlFactory>(*this);
}

sdk::ReaderControls makeControls(sdk::ControlFactory& factory) {
    sdk::ReaderControls c;
    c.prApi = factory.CreatePrApi(sdk::kPrApiClassId);
    c.imViz = factory.CreateGxImage(sdk::kGxImageClassId);
    c.prDoc = factory.CreatePrDoc(sdk::kPrDocClassId);
    c.imRF = factory.CreateGxImage(sdk::kGxImageClassId);
    c.img = factory.CreateGxImage(sdk::kGxImageClassId);
    c.infraImg = factory.CreateGxImage(sdk::kGxImageClassId);
    return c;
}

sdk::ReaderControls FakeReader::makeControls() {
    return fake::makeControls(*makeFactory());
}

} // namespace readerlink::fake
