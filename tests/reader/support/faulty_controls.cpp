#include "support/faulty_controls.h"

#include "common/text.h"
#include "reader/sdk/sdk_error.h"

namespace readerlink::reader::testing {

const char* nameOf(FaultKind kind) {
    switch (kind) {
    case FaultKind::Fail:
        return "fail";
    case FaultKind::InvalidDocument:
        return "invalid";
    case FaultKind::Throw:
        return "throw";
    }
    return "?";
}

void FaultPlan::arm(std::optional<Fault> fault, std::size_t budget) {
    fault_ = std::move(fault);
    trace_.clear();
    budget_ = budget;
    seen_ = 0;
    injected_ = false;
    recording_ = true;
    spent_.clear();
}

std::u16string FaultPlan::messageFor(const std::string& call) {
    return u"Injected fault in " + fromUtf8(call);
}

std::optional<FaultKind> FaultPlan::enter(const std::string& call, bool documentCall) {
    if (!recording_)
        return std::nullopt;
    trace_.push_back(call);
    if (budget_ != 0 && trace_.size() > budget_)
        throw RunawayRead{trace_.size()};
    if (!fault_ || fault_->call != call || ++seen_ != fault_->occurrence)
        return std::nullopt;
    if (fault_->kind == FaultKind::InvalidDocument && !documentCall)
        return std::nullopt;
    injected_ = true;
    if (fault_->kind == FaultKind::Throw)
        throw sdk::SdkError(18, messageFor(call));
    return fault_->kind;
}

namespace {

// One decorated call from its start to the end of the full expression that
// made it (the real call included); true when a fault replaces the call.
class Call {
public:
    Call(FaultPlan& plan, std::string name, bool documentCall)
        : plan_(plan), name_(std::move(name)), start_(std::chrono::steady_clock::now()),
          fault_(plan.enter(name_, documentCall)) {}
    ~Call() { plan_.addTime(name_, std::chrono::steady_clock::now() - start_); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    explicit operator bool() const { return fault_.has_value(); }
    FaultKind kind() const { return *fault_; }

private:
    FaultPlan& plan_;
    std::string name_;
    std::chrono::steady_clock::time_point start_;
    std::optional<FaultKind> fault_;
};

using sdk::DocHandle;
using sdk::SdkBool;

class FaultyPrApi final : public sdk::PrApi {
public:
    FaultyPrApi(std::unique_ptr<sdk::PrApi> inner, FaultPlan& plan)
        : in_(std::move(inner)), plan_(plan) {}

    SdkBool UseDeviceN(int devno, int mode) override {
        return fails("UseDeviceN") ? sdk::kSdkFalse : in_->UseDeviceN(devno, mode);
    }
    int CloseDevice() override { return fails("CloseDevice") ? 1 : in_->CloseDevice(); }
    int SetPageLight(int pages, int& lights) override {
        return fails("SetPageLight") ? 1 : in_->SetPageLight(pages, lights);
    }
    int Capture() override { return fails("Capture") ? 4 : in_->Capture(); }
    int GetImageSource() override { return in_->GetImageSource(); }
    int GetSourceHandle() override { return in_->GetSourceHandle(); }
    int GetLightMask(int lightId, int windowId) override {
        return fails("GetLightMask") ? 0 : in_->GetLightMask(lightId, windowId);
    }
    DocHandle GetMrz(int page, int light, int type) override {
        return document("GetMrz", [&] { return in_->GetMrz(page, light, type); });
    }
    DocHandle Recognize(int page) override {
        return document("Recognize", [&] { return in_->Recognize(page); });
    }
    DocHandle ResolveMrzText(std::u16string& lines) override {
        return document("ResolveMrzText", [&] { return in_->ResolveMrzText(lines); });
    }
    DocHandle ResolveRfidData(const sdk::Variant& data) override {
        return document("ResolveRfidData", [&] { return in_->ResolveRfidData(data); });
    }
    int LightListItem(int index) override {
        return fails("LightListItem") ? 0 : in_->LightListItem(index);
    }
    int GetRfidCardList() override { return fails("GetRfidCardList") ? 0 : in_->GetRfidCardList(); }
    SdkBool GetRfidCard(int cardNum, std::u16string& cardId) override {
        return fails("GetRfidCard") ? sdk::kSdkFalse : in_->GetRfidCard(cardNum, cardId);
    }
    SdkBool ConnectRfidCard(const std::u16string& card) override {
        return fails("ConnectRfidCard") ? sdk::kSdkFalse : in_->ConnectRfidCard(card);
    }
    SdkBool DisconnectRfidCard(const std::u16string& card) override {
        return fails("DisconnectRfidCard") ? sdk::kSdkFalse : in_->DisconnectRfidCard(card);
    }
    SdkBool MakeBAC(const std::u16string& card, std::u16string& lines) override {
        return fails("MakeBAC") ? sdk::kSdkFalse : in_->MakeBAC(card, lines);
    }
    SdkBool GetRfidFileB(const std::u16string& card, int fileId, sdk::Variant& data) override {
        return fails("GetRfidFileB") ? sdk::kSdkFalse : in_->GetRfidFileB(card, fileId, data);
    }
    int GetErrorCode() override { return fails("GetErrorCode") ? -1 : in_->GetErrorCode(); }
    std::u16string GetErrorString() override {
        return fails("GetErrorString") ? u"" : in_->GetErrorString();
    }
    int FreerunMode() override { return in_->FreerunMode(); }
    void SetFreerunMode(int mode) override { in_->SetFreerunMode(mode); }
    void Subscribe(sdk::PrApiEvents* sink) override { in_->Subscribe(sink); }

private:
    Call fails(const char* op) { return Call(plan_, std::string("PrApi.") + op, false); }
    template <class Real> DocHandle document(const char* op, Real real) {
        const Call call(plan_, std::string("PrApi.") + op, true);
        if (!call)
            return real();
        return call.kind() == FaultKind::InvalidDocument ? kUnknownDocument : 0;
    }
    std::unique_ptr<sdk::PrApi> in_;
    FaultPlan& plan_;
};

class FaultyPrDoc final : public sdk::PrDoc {
public:
    FaultyPrDoc(std::unique_ptr<sdk::PrDoc> inner, FaultPlan& plan)
        : in_(std::move(inner)), plan_(plan) {}

    DocHandle Document() override { return in_->Document(); }
    void SetDocument(DocHandle handle) override {
        const Call call(plan_, "PrDoc.SetDocument", true);
        if (!call)
            in_->SetDocument(handle);
        else if (call.kind() == FaultKind::InvalidDocument)
            in_->SetDocument(kUnknownDocument);
    }
    SdkBool Valid() override { return fails("Valid") ? sdk::kSdkFalse : in_->Valid(); }
    std::u16string Field(int code) override { return fails("Field") ? u"" : in_->Field(code); }
    int FieldStatus(int code) override {
        return fails("FieldStatus") ? -1 : in_->FieldStatus(code);
    }
    SdkBool FieldProperty(int code, int prop, sdk::Variant& data) override {
        return fails("FieldProperty") ? sdk::kSdkFalse : in_->FieldProperty(code, prop, data);
    }
    int GetImageSource() override { return in_->GetImageSource(); }
    int GetSourceHandle() override { return in_->GetSourceHandle(); }
    int GetErrorCode() override { return fails("GetErrorCode") ? -1 : in_->GetErrorCode(); }
    std::u16string GetErrorString() override {
        return fails("GetErrorString") ? u"" : in_->GetErrorString();
    }

private:
    Call fails(const char* op) { return Call(plan_, std::string("PrDoc.") + op, false); }
    std::unique_ptr<sdk::PrDoc> in_;
    FaultPlan& plan_;
};

class FaultyGxImage final : public sdk::GxImage {
public:
    FaultyGxImage(std::string name, std::unique_ptr<sdk::GxImage> inner, FaultPlan& plan)
        : name_(std::move(name)), in_(std::move(inner)), plan_(plan) {}

    std::u16string ImgSrcParam() override { return in_->ImgSrcParam(); }
    void SetImgSrcParam(const std::u16string& param) override { in_->SetImgSrcParam(param); }
    int XSize() override { return fails("XSize") ? 0 : in_->XSize(); }
    int Connect(int source, int handle) override {
        return fails("Connect") ? 0 : in_->Connect(source, handle);
    }
    int UpdateImage() override { return fails("UpdateImage") ? 0 : in_->UpdateImage(); }
    int ClearImage() override { return fails("ClearImage") ? 0 : in_->ClearImage(); }
    int SaveImage(const std::u16string& file, int type) override {
        return fails("SaveImage") ? 0 : in_->SaveImage(file, type);
    }
    sdk::RgbImage Picture() override { return in_->Picture(); }
    void SetChangedHandler(std::function<void()> onChanged) override {
        in_->SetChangedHandler(std::move(onChanged));
    }

private:
    Call fails(const char* op) { return Call(plan_, name_ + "." + op, false); }
    std::string name_;
    std::unique_ptr<sdk::GxImage> in_;
    FaultPlan& plan_;
};

class FaultInjectingFactory final : public sdk::ControlFactory {
public:
    FaultInjectingFactory(sdk::ControlFactory& inner, FaultPlan& plan) : in_(inner), plan_(plan) {}

    std::unique_ptr<sdk::PrApi> CreatePrApi(std::u16string_view classId) override {
        views_ = 0;
        refuse("PrApi", classId);
        return std::make_unique<FaultyPrApi>(in_.CreatePrApi(classId), plan_);
    }
    std::unique_ptr<sdk::PrDoc> CreatePrDoc(std::u16string_view classId) override {
        refuse("PrDoc", classId);
        return std::make_unique<FaultyPrDoc>(in_.CreatePrDoc(classId), plan_);
    }
    // The connection step makes its views in this order.
    std::unique_ptr<sdk::GxImage> CreateGxImage(std::u16string_view classId) override {
        static const char* const kRoles[] = {"ImViz", "ImRF", "Img", "InfraImg"};
        const char* role = kRoles[views_++ % 4];
        refuse(role, classId);
        return std::make_unique<FaultyGxImage>(role, in_.CreateGxImage(classId), plan_);
    }

private:
    void refuse(const std::string& role, std::u16string_view classId) const {
        if (plan_.refusedCreations.count(role) != 0)
            throw sdk::ClassNotRegistered(classId);
    }
    sdk::ControlFactory& in_;
    FaultPlan& plan_;
    int views_ = 0;
};

} // namespace

std::unique_ptr<sdk::ControlFactory> makeFaultInjectingFactory(sdk::ControlFactory& inner,
                                                               FaultPlan& plan) {
    return std::make_unique<FaultInjectingFactory>(inner, plan);
}

} // namespace readerlink::reader::testing
