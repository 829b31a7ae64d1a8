#pragma once

// The document control (TPrDocOCX): the data of the selected document.

#include <string>

#include "reader/sdk/sdk_types.h"

namespace readerlink::sdk {

class PrDoc {
public:
    virtual ~PrDoc() = default;

    virtual DocHandle Document() = 0;
    virtual void SetDocument(DocHandle handle) = 0;
    virtual SdkBool Valid() = 0;
    virtual std::u16string Field(int fieldCode) = 0;
    virtual int FieldStatus(int fieldCode) = 0;
    virtual SdkBool FieldProperty(int fieldCode, int propCode, Variant& data) = 0;
    virtual int GetImageSource() = 0;
    virtual int GetSourceHandle() = 0;
    virtual int GetErrorCode() = 0;
    virtual std::u16string GetErrorString() = 0;
};

} // namespace readerlink::sdk
