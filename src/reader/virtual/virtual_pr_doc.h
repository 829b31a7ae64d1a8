#pragma once

// The virtual reader's document control: holds the document a handle names.

#include <memory>

#include "reader/sdk/pr_doc.h"
#include "reader/virtual/reader_session.h"

namespace readerlink::virtualreader {

class VirtualPrDoc : public sdk::PrDoc {
public:
    explicit VirtualPrDoc(std::shared_ptr<ReaderSession> session);

    sdk::DocHandle Document() override;
    void SetDocument(sdk::DocHandle handle) override;
    sdk::SdkBool Valid() override;
    std::u16string Field(int fieldCode) override;
    int FieldStatus(int fieldCode) override;
    sdk::SdkBool FieldProperty(int fieldCode, int propCode, sdk::Variant& data) override;
    int GetImageSource() override;
    int GetSourceHandle() override;
    int GetErrorCode() override;
    std::u16string GetErrorString() override;

private:
    class Images;
    void setError(int code);

    std::shared_ptr<ReaderSession> session_;
    std::shared_ptr<Images> images_;
    int sourceHandle_ = 0;
    sdk::DocHandle handle_ = 0;
    int error_ = 0;
};

} // namespace readerlink::virtualreader
