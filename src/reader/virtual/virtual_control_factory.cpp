#include "reader/virtual/virtual_control_factory.h"

#include <algorithm>
#include <stdexcept>

#include "reader/sdk/class_ids.h"
#include "reader/virtual/reader_session.h"
#include "reader/virtual/virtual_gx_image.h"
#include "reader/virtual/virtual_pr_api.h"
#include "reader/virtual/virtual_pr_doc.h"

namespace readerlink::virtualreader {

bool sameClassId(std::u16string_view a, std::u16string_view b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

VirtualControlFactory::VirtualControlFactory(VirtualReaderOptions options) {
    if (!options.dispatcher)
        throw std::invalid_argument("the virtual reader needs a dispatcher");
    session_ = std::make_shared<ReaderSession>(std::move(options));
}

VirtualControlFactory::~VirtualControlFactory() = default;

std::unique_ptr<sdk::PrApi> VirtualControlFactory::CreatePrApi(std::u16string_view classId) {
    if (!sameClassId(classId, sdk::kPrApiClassId))
        throw sdk::ClassNotRegistered(classId);
    return std::make_unique<VirtualPrApi>(session_);
}

std::unique_ptr<sdk::PrDoc> VirtualControlFactory::CreatePrDoc(std::u16string_view classId) {
    if (!sameClassId(classId, sdk::kPrDocClassId))
        throw sdk::ClassNotRegistered(classId);
    return std::make_unique<VirtualPrDoc>(session_);
}

std::unique_ptr<sdk::GxImage> VirtualControlFactory::CreateGxImage(std::u16string_view classId) {
    if (!sameClassId(classId, sdk::kGxImageClassId))
        throw sdk::ClassNotRegistered(classId);
    return std::make_unique<VirtualGxImage>(session_);
}

} // namespace readerlink::virtualreader
