#pragma once

// Creates the virtual reader's controls under the SDK's class ids. Controls
// made by one factory share their documents and image sources.

#include <memory>

#include "reader/sdk/control_factory.h"
#include "reader/virtual/virtual_reader_options.h"

namespace readerlink::virtualreader {

struct ReaderSession;

class VirtualControlFactory : public sdk::ControlFactory {
public:
    // Throws std::invalid_argument without a dispatcher.
    explicit VirtualControlFactory(VirtualReaderOptions options);
    ~VirtualControlFactory() override;

    std::unique_ptr<sdk::PrApi> CreatePrApi(std::u16string_view classId) override;
    std::unique_ptr<sdk::PrDoc> CreatePrDoc(std::u16string_view classId) override;
    std::unique_ptr<sdk::GxImage> CreateGxImage(std::u16string_view classId) override;

private:
    std::shared_ptr<ReaderSession> session_;
};

// Class ids compare as the system's control host compares them: ignoring case.
bool sameClassId(std::u16string_view a, std::u16string_view b);

} // namespace readerlink::virtualreader
