#pragma once

// The six SDK controls the connection step creates and the whole reader
// subsystem works with. A control that could not be created stays null and
// must not be used.

#include <memory>

#include "reader/sdk/gx_image.h"
#include "reader/sdk/pr_api.h"
#include "reader/sdk/pr_doc.h"

namespace readerlink::sdk {

struct ReaderControls {
    std::unique_ptr<PrApi> prApi;
    std::unique_ptr<GxImage> imViz;    // field 2400, the page portrait
    std::unique_ptr<PrDoc> prDoc;
    std::unique_ptr<GxImage> imRF;     // field 4325377, the chip's face image
    std::unique_ptr<GxImage> img;      // white-light page
    std::unique_ptr<GxImage> infraImg; // infrared page
};

} // namespace readerlink::sdk
