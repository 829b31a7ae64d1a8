#include "reader/virtual/virtual_pr_api.h"

#include <algorithm>
#include <system_error>

#include "common/text.h"
#include "reader/chip/chip_error.h"
#include "reader/chip/dg2_face.h"
#include "reader/chip/jpeg2000_decoder.h"
#include "reader/mrz/bac_information.h"
#include "reader/sdk/sdk_error.h"
#include "reader/virtual/chip_files.h"
#include "reader/virtual/document_builder.h"
#include "reader/virtual/error_codes.h"
#include "platform/folder_watcher.h"
#include "reader/virtual/jpeg_codec.h"

namespace readerlink::virtualreader {

namespace {

constexpr int kWhiteLight = 1;
constexpr int kInfraLight = 2;
constexpr int kAllLights = 1 | 2 | 4; // white, infrared, ultraviolet
constexpr int kFreerun = 4;
constexpr int kPREventPageCaptured = 101;
constexpr int kPREventImageCaptured = 102;
constexpr int kPREventCapture = 103;

// A specimen counts as new when it is replaced, even by one of the same name.
struct FileIdentity {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return FileIdentity{modified, size};
}

bool isSpecimenName(const std::string& name) {
    return name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0 && name.front() != '.';
}

std::u16string cardIdFor(const std::string& name) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : name)
        hash = (hash ^ c) * 16777619u;
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string id = u"E004";
    for (int shift = 28; shift >= 0; shift -= 4)
        id.push_back(kHex[(hash >> shift) & 0xF]);
    return id;
}

// A document as it lies on the glass.
struct LaidDocument {
    std::string name;
    FileIdentity identity;
    Specimen specimen;
    int mrzUnreadableLeft = 0;
    std::map<std::string, int> throwsLeft;
    bool pagesLoaded = false;
    SharedPicture white;
    SharedPicture infra;
    bool chipMade = false;
    std::unique_ptr<ChipCard> chip;
};

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

class VirtualPrApi::Device : public std::enable_shared_from_this<Device> {
public:
    explicit Device(std::shared_ptr<ReaderSession> session)
        : session_(std::move(session)), images_(std::make_shared<ReaderImages>()) {
        sourceHandle_ = session_->sources.add(kReaderImageSource, images_);
    }

    void shutdown() {
        watcher_.reset();
        sink_ = nullptr;
        open_ = false;
        ++generation_;
    }

    // ---- device ----

    sdk::SdkBool useDevice(int devno) {
        faultCheck("UseDeviceN", top());
        if (devno != 0)
            return failBool(kNoSuchDevice);
        if (open_)
            return okBool();
        const auto& folder = options().glassFolder;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error || !std::filesystem::is_directory(folder, error))
            return failBool(kGlassFolderUnavailable, errorText(kGlassFolderUnavailable) + u": " +
                                                         fromUtf8(folder.string()));
        try {
            std::weak_ptr<Device> weak = weak_from_this();
            UiThread* dispatcher = options().dispatcher;
            watcher_ = platform::watchFolder(folder, [weak, dispatcher](platform::FolderChange change) {
                dispatcher->post(
                    [weak, change] {
                        if (auto device = weak.lock())
                            device->onGlassChange(change);
                    },
                    std::chrono::milliseconds(0));
            });
        } catch (const std::system_error& e) {
            return failBool(kGlassFolderUnavailable,
                            errorText(kGlassFolderUnavailable) + u": " + fromUtf8(e.what()));
        }
        open_ = true;
        lights_ = kAllLights;
        scanGlass();
        return okBool();
    }

    int closeDevice() {
        watcher_.reset();
        open_ = false;
        ++generation_;
        connected_.reset();
        glass_.clear();
        ok();
        return 0;
    }

    int setPageLight(int pages, int& lights) {
        faultCheck("SetPageLight", top());
        if (!open_)
            return fail(kDeviceNotOpen);
        if (pages != 1)
            return fail(kBadArgument);
        lights &= kAllLights;
        lights_ = lights;
        ok();
        return 0;
    }

    int freerunMode() const { return freerun_; }

    void setFreerunMode(int mode) {
        const int was = freerun_;
        freerun_ = mode;
        if (mode != kFreerun)
            ++generation_;
        else if (was != kFreerun && !glass_.empty())
            startSequence();
    }

    void subscribe(sdk::PrApiEvents* sink) { sink_ = sink; }

    int sourceHandle() const { return sourceHandle_; }

    // ---- capture and recognition ----

    int capture() {
        const auto doc = top();
        faultCheck("Capture", doc);
        if (!open_)
            return fail(kDeviceNotOpen);
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
        ok();
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
        faultCheck("GetMrz", doc);
        if (!open_)
            return failHandle(kDeviceNotOpen);
        if (page != 0)
            return failHandle(kBadArgument);
        if (!hasCapture_ || !doc)
            return failHandle(kNoDocument);
        const int mask = lightMask(light);
        if ((light != kWhiteLight && light != kInfraLight) || !(capturedLights_ & mask))
            return failHandle(kNoMrz, u"No MRZ found: light " + toDecimal(light) + u" was not captured");
        if (doc->specimen.mrz.empty())
            return failHandle(kNoMrz);
        if (doc->mrzUnreadableLeft > 0) {
            --doc->mrzUnreadableLeft;
            return failHandle(kNoMrz);
        }
        ok();
        return add(mrzDocument(doc->specimen.mrz, doc->specimen.forcedFieldStatus));
    }

    sdk::DocHandle recognize(int page) {
        const auto doc = captured_;
        faultCheck("Recognize", doc);
        if (!open_)
            return failHandle(kDeviceNotOpen);
        if (page != 0)
            return failHandle(kBadArgument);
        if (!hasCapture_ || !doc)
            return failHandle(kNoDocument);
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
        ok();
        return add(std::move(result));
    }

    // A conversion, not a device operation: leaves the last error alone.
    sdk::DocHandle resolveMrzText(const std::u16string& lines) {
        faultCheck("ResolveMrzText", top());
        const auto split = mrz::splitMrzText(toMrzAscii(lines));
        if (split.empty())
            return 0;
        return add(mrzDocument(split, {}));
    }

    // A conversion as well: the reader's last error still tells why the chip
    // read before it failed.
    sdk::DocHandle resolveRfidData(const sdk::Variant& data) {
        faultCheck("ResolveRfidData", top());
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

    int cardList() {
        const auto doc = top();
        faultCheck("GetRfidCardList", doc);
        if (!open_) {
            fail(kDeviceNotOpen);
            return 0;
        }
        if (!doc || !doc->specimen.chip) {
            fail(kNoChip);
            return 0;
        }
        ok();
        return 1;
    }

    sdk::SdkBool card(int cardNum, std::u16string& cardId) {
        const auto doc = top();
        faultCheck("GetRfidCard", doc);
        if (!open_)
            return failBool(kDeviceNotOpen);
        if (!doc || !doc->specimen.chip)
            return failBool(kNoChip);
        if (cardNum != 0)
            return failBool(kBadArgument);
        cardId = cardIdFor(doc->name);
        return okBool();
    }

    sdk::SdkBool connectCard(const std::u16string& card) {
        const auto doc = top();
        faultCheck("ConnectRfidCard", doc);
        if (!open_)
            return failBool(kDeviceNotOpen);
        if (!doc || !doc->specimen.chip || card != cardIdFor(doc->name))
            return failBool(kNoChip);
        ChipCard* chip = chipOf(*doc);
        if (!chip)
            return failBool(kChipCommunication);
        const ChipStatus status = chip->connect();
        if (!status.ok())
            return failBool(status.code, status.text);
        connected_ = doc;
        return okBool();
    }

    sdk::SdkBool disconnectCard(const std::u16string& card) {
        faultCheck("DisconnectRfidCard", top());
        if (!connected_ || card != cardIdFor(connected_->name))
            return failBool(kCardNotConnected);
        connected_->chip->disconnect();
        connected_.reset();
        return okBool();
    }

    sdk::SdkBool makeBac(const std::u16string& card, const std::u16string& lines) {
        faultCheck("MakeBAC", top());
        ChipCard* chip = connectedChip(card);
        if (!chip)
            return kSdkFalse;
        const auto information = mrz::bacMrzInformation(toMrzAscii(lines));
        if (!information)
            return failBool(kBacFailed, errorText(kBacFailed) + u": the lines hold no MRZ");
        const ChipStatus status = chip->performBac(*information);
        if (!status.ok())
            return failBool(status.code, status.text);
        return okBool();
    }

    sdk::SdkBool readFile(const std::u16string& card, int fileId, sdk::Variant& data) {
        faultCheck("GetRfidFileB", top());
        ChipCard* chip = connectedChip(card);
        if (!chip)
            return kSdkFalse;
        if (fileId < 0 || fileId > 31)
            return failBool(kBadArgument);
        std::vector<std::uint8_t> bytes;
        const ChipStatus status = chip->readFile(fileId, bytes);
        if (!status.ok())
            return failBool(status.code, status.text);
        data.kind = sdk::Variant::Kind::Bytes;
        data.bytes = std::move(bytes);
        data.integer = 0;
        return okBool();
    }

    int errorCode() const { return error_; }
    std::u16string errorString() const { return errorText_; }

    static int lightMask(int lightId) { return lightId >= 1 && lightId <= 3 ? 1 << (lightId - 1) : 0; }

private:
    static constexpr sdk::SdkBool kSdkFalse = sdk::kSdkFalse;

    const VirtualReaderOptions& options() const { return session_->options; }

    std::shared_ptr<LaidDocument> top() const { return glass_.empty() ? nullptr : glass_.back(); }

    void ok() {
        error_ = kNoError;
        errorText_ = errorText(kNoError);
    }
    sdk::SdkBool okBool() {
        ok();
        return sdk::kSdkTrue;
    }
    int fail(int code, std::u16string text = {}) {
        error_ = code;
        errorText_ = text.empty() ? errorText(code) : std::move(text);
        return code;
    }
    sdk::SdkBool failBool(int code, std::u16string text = {}) {
        fail(code, std::move(text));
        return sdk::kSdkFalse;
    }
    sdk::DocHandle failHandle(int code, std::u16string text = {}) {
        fail(code, std::move(text));
        return 0;
    }

    void faultCheck(const char* call, const std::shared_ptr<LaidDocument>& doc) {
        if (!doc)
            return;
        const auto it = doc->throwsLeft.find(call);
        if (it == doc->throwsLeft.end() || it->second <= 0)
            return;
        --it->second;
        const std::u16string message = u"Forced fault in " + fromUtf8(call);
        fail(kForcedFault, message);
        throw sdk::SdkError(kForcedFault, message);
    }

    sdk::DocHandle add(VirtualDocument doc) {
        return session_->documents.add(std::make_shared<const VirtualDocument>(std::move(doc)));
    }

    void diagnose(const std::u16string& line) {
        if (options().diagnostics)
            options().diagnostics(line);
    }

    void raisePREvent(int event, int param1, int param2) {
        if (sink_)
            sink_->OnPREvent(event, param1, param2);
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
        doc.white = doc.specimen.whitePage.empty() ? plainPage() : loadPicture(doc.specimen.whitePage);
        doc.infra = doc.specimen.infraPage.empty() ? plainPage() : loadPicture(doc.specimen.infraPage);
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

    ChipCard* chipOf(LaidDocument& doc) {
        if (doc.chipMade)
            return doc.chip.get();
        doc.chipMade = true;
        const ChipSpecimen& chipSpecimen = *doc.specimen.chip;
        chip::ChipDocument contents;
        contents.mrzLines = chipSpecimen.mrz.empty() ? doc.specimen.mrz : chipSpecimen.mrz;
        contents.bacProtected = chipSpecimen.bacProtected;
        contents.dataGroups.clear();
        const auto wanted = [&](int group, bool available) {
            if (!chipSpecimen.dataGroups)
                return available;
            const auto& listed = *chipSpecimen.dataGroups;
            return std::find(listed.begin(), listed.end(), group) != listed.end();
        };
        if (wanted(1, !contents.mrzLines.empty()))
            contents.dataGroups.push_back(1);
        if (wanted(2, !chipSpecimen.face.empty()) && !chipSpecimen.face.empty()) {
            auto face = readFileBytes(chipSpecimen.face);
            if (face && chip::sniffImageFormat(*face)) {
                contents.faceImage = std::move(*face);
                contents.dataGroups.push_back(2);
            } else {
                diagnose(u"Virtual reader: chip face image unreadable: " + fromUtf8(chipSpecimen.face.string()));
            }
        }
        // Further listed groups hold their bare tag, enough to be read and resolved.
        if (chipSpecimen.dataGroups)
            for (int group : *chipSpecimen.dataGroups)
                if (group > 2)
                    contents.dataGroups.push_back(group);
        if (!chipSpecimen.sod.empty())
            if (auto sod = readFileBytes(chipSpecimen.sod))
                contents.efSod = std::move(*sod);
        try {
            doc.chip = options().chipCardFactory(contents);
        } catch (const chip::ChipError& e) {
            diagnose(u"Virtual reader: the chip cannot be made: " + e.message());
        }
        return doc.chip.get();
    }

    ChipCard* connectedChip(const std::u16string& card) {
        if (!open_) {
            fail(kDeviceNotOpen);
            return nullptr;
        }
        if (!connected_ || card != cardIdFor(connected_->name)) {
            fail(kCardNotConnected);
            return nullptr;
        }
        if (connected_ != top()) {
            fail(kNoChip, u"The card left the field");
            return nullptr;
        }
        return connected_->chip.get();
    }

    // ---- document presence ----

    bool announcing() const { return open_ && freerun_ == kFreerun; }

    void startSequence() {
        const auto generation = ++generation_;
        if (announcing())
            postStatus(generation, 1, std::chrono::milliseconds(0));
    }

    void announceEmptyGlass() {
        const auto generation = ++generation_;
        if (announcing())
            postStatus(generation, 0, std::chrono::milliseconds(0));
    }

    void postStatus(std::uint64_t generation, int status, std::chrono::milliseconds delay) {
        std::weak_ptr<Device> weak = weak_from_this();
        options().dispatcher->post(
            [weak, generation, status] {
                if (auto device = weak.lock())
                    device->statusDue(generation, status);
            },
            delay);
    }

    void statusDue(std::uint64_t generation, int status) {
        if (generation != generation_ || !announcing())
            return;
        // The next status is queued before this one is raised: the handler
        // of status 4 runs a whole read.
        if (status == 1)
            postStatus(generation, 2, options().statusGap);
        else if (status == 2)
            postStatus(generation, 4, options().statusGap);
        if (sink_)
            sink_->OnTestDocEvent(status);
    }

    void onGlassChange(const platform::FolderChange& change) {
        if (!open_)
            return;
        switch (change.kind) {
        case platform::FolderChange::Kind::Landed:
            landed(change.name);
            break;
        case platform::FolderChange::Kind::Left:
            left(change.name);
            break;
        case platform::FolderChange::Kind::Rescan:
            reconcile();
            break;
        case platform::FolderChange::Kind::FolderGone:
            watcher_.reset();
            diagnose(u"Virtual reader: the glass folder is gone: " +
                     fromUtf8(options().glassFolder.string()));
            connected_.reset();
            if (!glass_.empty()) {
                glass_.clear();
                announceEmptyGlass();
            }
            break;
        }
    }

    void landed(const std::string& name) {
        if (!isSpecimenName(name))
            return;
        const auto path = options().glassFolder / name;
        const auto identity = identityOf(path);
        if (!identity)
            return;
        const auto existing = std::find_if(glass_.begin(), glass_.end(),
                                           [&](const auto& doc) { return doc->name == name; });
        if (existing != glass_.end() && (*existing)->identity == *identity)
            return;
        auto doc = std::make_shared<LaidDocument>();
        try {
            doc->specimen = loadSpecimen(path, options().specimensFolder);
        } catch (const SpecimenError& e) {
            diagnose(u"Virtual reader: specimen ignored: " + fromUtf8(e.what()));
            left(name);
            return;
        }
        doc->name = name;
        doc->identity = *identity;
        doc->mrzUnreadableLeft = doc->specimen.mrzUnreadableCalls;
        doc->throwsLeft = doc->specimen.throwingCalls;
        if (existing != glass_.end())
            glass_.erase(existing);
        glass_.push_back(std::move(doc));
        startSequence();
    }

    void left(const std::string& name) {
        const auto it = std::find_if(glass_.begin(), glass_.end(),
                                     [&](const auto& doc) { return doc->name == name; });
        if (it == glass_.end())
            return;
        const bool wasTop = std::next(it) == glass_.end();
        if (connected_ == *it)
            connected_.reset();
        glass_.erase(it);
        if (!wasTop)
            return;
        if (glass_.empty())
            announceEmptyGlass();
        else
            startSequence();
    }

    std::vector<std::string> specimenFilesOnGlass() const {
        std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(options().glassFolder, error)) {
            const auto name = entry.path().filename().string();
            std::error_code ignored;
            if (isSpecimenName(name) && entry.is_regular_file(ignored))
                found.emplace_back(entry.last_write_time(ignored), name);
        }
        std::sort(found.begin(), found.end());
        std::vector<std::string> names;
        for (auto& [time, name] : found)
            names.push_back(std::move(name));
        return names;
    }

    void scanGlass() {
        for (const auto& name : specimenFilesOnGlass())
            landed(name);
    }

    void reconcile() {
        const auto present = specimenFilesOnGlass();
        std::vector<std::string> gone;
        for (const auto& doc : glass_)
            if (std::find(present.begin(), present.end(), doc->name) == present.end())
                gone.push_back(doc->name);
        for (const auto& name : gone)
            left(name);
        for (const auto& name : present)
            landed(name);
    }

    std::shared_ptr<ReaderSession> session_;
    std::shared_ptr<ReaderImages> images_;
    int sourceHandle_ = 0;
    JpegCodec codec_;
    std::unique_ptr<platform::FolderWatcher> watcher_;
    sdk::PrApiEvents* sink_ = nullptr;
    bool open_ = false;
    int freerun_ = 0;
    int lights_ = kAllLights;
    std::uint64_t generation_ = 0;
    std::vector<std::shared_ptr<LaidDocument>> glass_; // the top document is the last
    std::shared_ptr<LaidDocument> captured_;
    int capturedLights_ = 0;
    bool hasCapture_ = false;
    std::shared_ptr<LaidDocument> connected_;
    int error_ = kNoError;
    std::u16string errorText_ = errorText(kNoError);
};

VirtualPrApi::VirtualPrApi(std::shared_ptr<ReaderSession> session)
    : device_(std::make_shared<Device>(std::move(session))) {}

VirtualPrApi::~VirtualPrApi() { device_->shutdown(); }

sdk::SdkBool VirtualPrApi::UseDeviceN(int devno, int) { return device_->useDevice(devno); }
int VirtualPrApi::CloseDevice() { return device_->closeDevice(); }
int VirtualPrApi::SetPageLight(int pages, int& lights) { return device_->setPageLight(pages, lights); }
int VirtualPrApi::Capture() { return device_->capture(); }
int VirtualPrApi::GetImageSource() { return kReaderImageSource; }
int VirtualPrApi::GetSourceHandle() { return device_->sourceHandle(); }
int VirtualPrApi::GetLightMask(int lightId, int) { return Device::lightMask(lightId); }
sdk::DocHandle VirtualPrApi::GetMrz(int page, int light, int) { return device_->getMrz(page, light); }
sdk::DocHandle VirtualPrApi::Recognize(int page) { return device_->recognize(page); }
sdk::DocHandle VirtualPrApi::ResolveMrzText(std::u16string& lines) { return device_->resolveMrzText(lines); }
sdk::DocHandle VirtualPrApi::ResolveRfidData(const sdk::Variant& data) { return device_->resolveRfidData(data); }
int VirtualPrApi::LightListItem(int index) { return index >= 0 && index <= 2 ? index + 1 : 0; }
int VirtualPrApi::GetRfidCardList() { return device_->cardList(); }
sdk::SdkBool VirtualPrApi::GetRfidCard(int cardNum, std::u16string& cardId) {
    return device_->card(cardNum, cardId);
}
sdk::SdkBool VirtualPrApi::ConnectRfidCard(const std::u16string& card) { return device_->connectCard(card); }
sdk::SdkBool VirtualPrApi::DisconnectRfidCard(const std::u16string& card) {
    return device_->disconnectCard(card);
}
sdk::SdkBool VirtualPrApi::MakeBAC(const std::u16string& card, std::u16string& lines) {
    return device_->makeBac(card, lines);
}
sdk::SdkBool VirtualPrApi::GetRfidFileB(const std::u16string& card, int fileId, sdk::Variant& data) {
    return device_->readFile(card, fileId, data);
}
int VirtualPrApi::GetErrorCode() { return device_->errorCode(); }
std::u16string VirtualPrApi::GetErrorString() { return device_->errorString(); }
int VirtualPrApi::FreerunMode() { return device_->freerunMode(); }
void VirtualPrApi::SetFreerunMode(int mode) { device_->setFreerunMode(mode); }
void VirtualPrApi::Subscribe(sdk::PrApiEvents* sink) { device_->subscribe(sink); }

} // namespace readerlink::virtualreader
