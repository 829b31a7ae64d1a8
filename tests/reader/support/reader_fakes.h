#pragma once

// Recording and fault-injecting stand-ins for the SDK controls and the
// window, all writing to one journal so a test sees the order of everything.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/activity_log.h"
#include "common/dialogs.h"
#include "common/message_loop.h"
#include "common/text.h"
#include "reader/reader_window.h"
#include "reader/sdk/class_ids.h"
#include "reader/sdk/control_factory.h"

namespace readerlink::reader::testing {

struct Journal {
    std::vector<std::string> lines;
    void add(std::string line) { lines.push_back(std::move(line)); }
    bool contains(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line)
                return true;
        return false;
    }
    bool containsPrefix(const std::string& prefix) const {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0)
                return true;
        return false;
    }
};

// What the fakes should do: results to return and calls that throw, by
// "<control>.<operation>" (e.g. "Img.Connect", "PrApi.UseDeviceN").
struct Faults {
    std::set<std::string> failingCreations; // control names whose creation throws
    std::map<std::string, int> results;     // operation -> integer result
    std::set<std::string> throwing;         // operation -> throws an SDK error
    bool placingThrows = false;
};

class FakeGxImage : public sdk::GxImage {
public:
    FakeGxImage(std::string name, Journal& j, Faults& f) : name_(std::move(name)), j_(j), f_(f) {}
    std::u16string ImgSrcParam() override { return param_; }
    void SetImgSrcParam(const std::u16string& param) override {
        act("ImgSrcParam:=" + toUtf8(param));
        param_ = param;
    }
    int XSize() override { return act("XSize"), 0; }
    int Connect(int source, int handle) override {
        act("Connect(" + std::to_string(source) + "," + std::to_string(handle) + ")");
        return result("Connect", 1);
    }
    int UpdateImage() override { return act("UpdateImage"), 1; }
    int ClearImage() override { return act("ClearImage"), 1; }
    int SaveImage(const std::u16string&, int) override { return act("SaveImage"), 1; }
    sdk::RgbImage Picture() override { return {}; }
    void SetChangedHandler(std::function<void()>) override {}
    const std::string& name() const { return name_; }

private:
    void act(const std::string& what) {
        j_.add(name_ + "." + what);
        const auto op = what.substr(0, what.find_first_of("(:"));
        if (f_.throwing.count(name_ + "." + op))
            throw sdk::SdkError(99, u"SDK failure in " + fromUtf8(name_ + "." + op));
    }
    int result(const std::string& op, int fallback) {
        const auto it = f_.results.find(name_ + "." + op);
        return it == f_.results.end() ? fallback : it->second;
    }
    std::string name_;
    Journal& j_;
    Faults& f_;
    std::u16string param_;
};

class FakePrDoc : public sdk::PrDoc {
public:
    FakePrDoc(std::string name, Journal& j) : name_(std::move(name)), j_(j) {}
    sdk::DocHandle Document() override { return 0; }
    void SetDocument(sdk::DocHandle) override {}
    sdk::SdkBool Valid() override { return sdk::kSdkFalse; }
    std::u16string Field(int) override { return {}; }
    int FieldStatus(int) override { return 0; }
    sdk::SdkBool FieldProperty(int, int, sdk::Variant&) override { return sdk::kSdkFalse; }
    int GetImageSource() override { return j_.add(name_ + ".GetImageSource"), 2; }
    int GetSourceHandle() override { return j_.add(name_ + ".GetSourceHandle"), 88; }
    int GetErrorCode() override { return errorCode; }
    std::u16string GetErrorString() override { return errorText; }
    int errorCode = 0;
    std::u16string errorText;

private:
    std::string name_;
    Journal& j_;
};

class FakePrApi : public sdk::PrApi {
public:
    FakePrApi(std::string name, Journal& j, Faults& f) : name_(std::move(name)), j_(j), f_(f) {}
    sdk::SdkBool UseDeviceN(int devno, int mode) override {
        act("UseDeviceN(" + std::to_string(devno) + "," + std::to_string(mode) + ")");
        return result("UseDeviceN", sdk::kSdkTrue);
    }
    int CloseDevice() override { return act("CloseDevice"), 0; }
    int SetPageLight(int pages, int& lights) override {
        act("SetPageLight(" + std::to_string(pages) + "," + std::to_string(lights) + ")");
        return 0;
    }
    int Capture() override { return act("Capture"), 0; }
    int GetImageSource() override { return act("GetImageSource"), 1; }
    int GetSourceHandle() override { return act("GetSourceHandle"), 77; }
    int GetLightMask(int light, int window) override {
        act("GetLightMask(" + std::to_string(light) + "," + std::to_string(window) + ")");
        return light == 1 ? 1 : light == 2 ? 2 : 0;
    }
    sdk::DocHandle GetMrz(int, int, int) override { return 0; }
    sdk::DocHandle Recognize(int) override { return 0; }
    sdk::DocHandle ResolveMrzText(std::u16string&) override { return 0; }
    sdk::DocHandle ResolveRfidData(const sdk::Variant&) override { return 0; }
    int LightListItem(int) override { return 2; }
    int GetRfidCardList() override { return 0; }
    sdk::SdkBool GetRfidCard(int, std::u16string&) override { return sdk::kSdkFalse; }
    sdk::SdkBool ConnectRfidCard(const std::u16string&) override { return sdk::kSdkFalse; }
    sdk::SdkBool DisconnectRfidCard(const std::u16string&) override { return sdk::kSdkFalse; }
    sdk::SdkBool MakeBAC(const std::u16string&, std::u16string&) override { return sdk::kSdkFalse; }
    sdk::SdkBool GetRfidFileB(const std::u16string&, int, sdk::Variant&) override { return sdk::kSdkFalse; }
    int GetErrorCode() override { return errorCode; }
    std::u16string GetErrorString() override { return errorText; }
    int FreerunMode() override { return freerun_; }
    void SetFreerunMode(int mode) override {
        act("FreerunMode:=" + std::to_string(mode));
        freerun_ = mode;
    }
    void Subscribe(sdk::PrApiEvents* sink) override {
        act(sink ? "Subscribe" : "Unsubscribe");
        sink_ = sink;
    }

    sdk::PrApiEvents* sink() const { return sink_; }
    int errorCode = 0;
    std::u16string errorText;

private:
    void act(const std::string& what) {
        j_.add(name_ + "." + what);
        const auto op = what.substr(0, what.find_first_of("(:"));
        if (f_.throwing.count(name_ + "." + op))
            throw sdk::SdkError(99, u"SDK failure in " + fromUtf8(name_ + "." + op));
    }
    sdk::SdkBool result(const std::string& op, sdk::SdkBool fallback) {
        const auto it = f_.results.find(name_ + "." + op);
        return it == f_.results.end() ? fallback : it->second;
    }
    std::string name_;
    Journal& j_;
    Faults& f_;
    sdk::PrApiEvents* sink_ = nullptr;
    int freerun_ = 0;
};

// Names the controls of each "Connect" by role: the first set "PrApi",
// "ImViz", "PrDoc", "ImRF", "Img", "InfraImg"; the second "PrApi2", ...
class FaultInjectingFactory : public sdk::ControlFactory {
public:
    FaultInjectingFactory(Journal& j, Faults& f) : j_(j), f_(f) {}

    std::unique_ptr<sdk::PrApi> CreatePrApi(std::u16string_view classId) override {
        ++generation_;
        images_ = 0;
        const auto name = named("PrApi");
        check(classId, sdk::kPrApiClassId, name);
        auto api = std::make_unique<FakePrApi>(name, j_, f_);
        apis.push_back(api.get());
        return api;
    }
    std::unique_ptr<sdk::PrDoc> CreatePrDoc(std::u16string_view classId) override {
        const auto name = named("PrDoc");
        check(classId, sdk::kPrDocClassId, name);
        return std::make_unique<FakePrDoc>(name, j_);
    }
    std::unique_ptr<sdk::GxImage> CreateGxImage(std::u16string_view classId) override {
        static const char* const kRoles[] = {"ImViz", "ImRF", "Img", "InfraImg"};
        const auto name = named(kRoles[images_++ % 4]);
        check(classId, sdk::kGxImageClassId, name);
        return std::make_unique<FakeGxImage>(name, j_, f_);
    }

    std::vector<FakePrApi*> apis; // every reader control made, in order

private:
    std::string named(const std::string& role) const {
        return generation_ <= 1 ? role : role + std::to_string(generation_);
    }
    void check(std::u16string_view classId, std::u16string_view expected, const std::string& name) {
        j_.add("create " + name);
        if (classId != expected)
            throw sdk::ClassNotRegistered(classId);
        if (f_.failingCreations.count(name))
            throw sdk::ClassNotRegistered(classId);
    }
    Journal& j_;
    Faults& f_;
    int generation_ = 0;
    int images_ = 0;
};

class RecordingWindow : public ReaderWindow, public ActivityLog, public Dialogs, public MessageLoop {
public:
    RecordingWindow(Journal& j, Faults& f) : j_(j), f_(f) {}

    void setStatusBarText(std::u16string_view text) override {
        statusBar = text;
        j_.add("status bar: " + toUtf8(text));
    }
    void setStatusLabel(std::u16string_view text) override {
        lblStatus = text;
        j_.add("lblStatus: " + toUtf8(text));
    }
    void placeImageView(ImagePage page, sdk::GxImage& view) override {
        if (f_.placingThrows)
            throw Error(u"cannot place");
        const auto* fake = dynamic_cast<FakeGxImage*>(&view);
        j_.add(std::string("place ") + (page == ImagePage::Image ? "Image" : "Infra") + " <- " +
               (fake ? fake->name() : "view"));
        placed[page == ImagePage::Image ? 0 : 1] = &view;
    }
    void removeImageView(ImagePage page) override {
        placed[page == ImagePage::Image ? 0 : 1] = nullptr;
        j_.add(std::string("remove ") + (page == ImagePage::Image ? "Image" : "Infra"));
    }
    void endApplication() override { j_.add("end application"); }
    std::u16string statusBarText() const override { return statusBar; }
    void setErrorLabel(std::u16string_view text, LabelColour) override {
        j_.add("lblError: " + toUtf8(text));
    }
    int targetApplication() const override { return 0; }
    std::u16string pictureFolder() const override { return {}; }
    bool isPassport() const override { return passport; }
    void setIsPassport(bool value) override { passport = value; }

    void log(std::u16string_view line) override { j_.add("log: " + toUtf8(line)); }
    void logStatus(std::u16string_view line) override {
        lblStatus = line;
        j_.add("logStatus: " + toUtf8(line));
    }

    void showMessage(std::u16string_view text) override { j_.add("message: " + toUtf8(text)); }
    void showError(std::u16string_view text) override { j_.add("error box: " + toUtf8(text)); }
    std::optional<std::u16string> inputBox(std::u16string_view, std::u16string_view,
                                           std::u16string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(std::u16string_view, const std::string&) override {
        return std::nullopt;
    }

    void processMessages() override {
        j_.add("process messages");
        if (onProcessMessages)
            onProcessMessages();
    }

    std::function<void()> onProcessMessages;
    sdk::GxImage* placed[2] = {nullptr, nullptr};
    std::u16string statusBar;
    std::u16string lblStatus;
    bool passport = false;

private:
    Journal& j_;
    Faults& f_;
};

} // namespace readerlink::reader::testing
