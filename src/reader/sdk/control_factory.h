#pragma once

// Creates the SDK's controls by class id, as the system's control host does.
// A backend (the virtual reader, later a vendor SDK) implements it; the
// connection step only knows this interface.

#include <memory>
#include <string_view>

#include "reader/sdk/gx_image.h"
#include "reader/sdk/pr_api.h"
#include "reader/sdk/pr_doc.h"
#include "reader/sdk/sdk_error.h"

namespace readerlink::sdk {

class ControlFactory {
public:
    virtual ~ControlFactory() = default;

    // Each throws ClassNotRegistered for a class id it does not provide, and
    // may throw other errors when the control cannot be created.
    virtual std::unique_ptr<PrApi> CreatePrApi(std::u16string_view classId) = 0;
    virtual std::unique_ptr<PrDoc> CreatePrDoc(std::u16string_view classId) = 0;
    virtual std::unique_ptr<GxImage> CreateGxImage(std::u16string_view classId) = 0;
};

// A factory with no backend: every class id is unregistered. Used where no
// reader SDK is available.
class NoControlFactory : public ControlFactory {
public:
    std::unique_ptr<PrApi> CreatePrApi(std::u16string_view classId) override {
        throw ClassNotRegistered(classId);
    }
    std::unique_ptr<PrDoc> CreatePrDoc(std::u16string_view classId) override {
        throw ClassNotRegistered(classId);
    }
    std::unique_ptr<GxImage> CreateGxImage(std::u16string_view classId) override {
        throw ClassNotRegistered(classId);
    }
};

} // namespace readerlink::sdk
