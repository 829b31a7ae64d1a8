#include "reader/virtual/virtual_pr_doc.h"

#include "common/text.h"
#include "reader/virtual/document_builder.h"
#include "reader/virtual/error_codes.h"

namespace readerlink::virtualreader {

namespace {
constexpr int kFileMaskProperty = 2;
} // namespace

// The image fields of the selected document, by their decimal field code.
class VirtualPrDoc::Images : public ImageProvider {
public:
    SharedPicture image(std::u16string_view param) const override {
        if (!document)
            return nullptr;
        const std::string code = toUtf8(param);
        int field = 0;
        for (char c : code) {
            if (c < '0' || c > '9' || field > 100000000)
                return nullptr;
            field = field * 10 + (c - '0');
        }
        const auto it = document->images.find(field);
        return it == document->images.end() ? nullptr : it->second;
    }
    std::shared_ptr<const VirtualDocument> document;
};

VirtualPrDoc::VirtualPrDoc(std::shared_ptr<ReaderSession> session)
    : session_(std::move(session)), images_(std::make_shared<Images>()) {
    sourceHandle_ = session_->sources.add(kDocumentImageSource, images_);
}

void VirtualPrDoc::setError(int code) { error_ = code; }

sdk::DocHandle VirtualPrDoc::Document() { return handle_; }

void VirtualPrDoc::SetDocument(sdk::DocHandle handle) {
    handle_ = handle;
    images_->document = session_->documents.find(handle);
    setError(images_->document ? kNoError : (handle == 0 ? kNoDocument : kUnknownHandle));
}

sdk::SdkBool VirtualPrDoc::Valid() {
    return images_->document && images_->document->valid ? sdk::kSdkTrue : sdk::kSdkFalse;
}

std::u16string VirtualPrDoc::Field(int fieldCode) {
    const auto& doc = images_->document;
    if (!doc) {
        setError(kNoDocument);
        return {};
    }
    const auto it = doc->fields.find(fieldCode);
    if (it == doc->fields.end()) {
        setError(kFieldNotPresent);
        return {};
    }
    setError(kNoError);
    return it->second;
}

int VirtualPrDoc::FieldStatus(int fieldCode) {
    const auto& doc = images_->document;
    if (!doc) {
        setError(kNoDocument);
        return 0;
    }
    // A field the document lacks has no check digit to fail.
    const auto it = doc->statuses.find(fieldCode);
    setError(kNoError);
    return it == doc->statuses.end() ? 0 : it->second;
}

sdk::SdkBool VirtualPrDoc::FieldProperty(int fieldCode, int propCode, sdk::Variant& data) {
    const auto& doc = images_->document;
    if (!doc) {
        setError(kNoDocument);
        return sdk::kSdkFalse;
    }
    if (fieldCode != kChipFileMaskField || propCode != kFileMaskProperty || !doc->chipFileMask) {
        setError(kFieldNotPresent);
        return sdk::kSdkFalse;
    }
    data.kind = sdk::Variant::Kind::Integer;
    data.integer = *doc->chipFileMask;
    data.bytes.clear();
    setError(kNoError);
    return sdk::kSdkTrue;
}

int VirtualPrDoc::GetImageSource() { return kDocumentImageSource; }
int VirtualPrDoc::GetSourceHandle() { return sourceHandle_; }
int VirtualPrDoc::GetErrorCode() { return error_; }
std::u16string VirtualPrDoc::GetErrorString() { return errorText(error_); }

} // namespace readerlink::virtualreader
