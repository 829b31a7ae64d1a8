#pragma once

// A page image laid bare on the glass (a scanner's or camera's picture, no
// specimen file): decoded and its MRZ recognised by whatever recogniser the
// program was built with. The virtual reader itself knows no image library.

#include "reader/sdk/sdk_types.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace readerlink::virtualreader {

struct PageScan {
    enum class Outcome { Mrz, NoMrz, SeveralDocuments };

    std::shared_ptr<const sdk::RgbImage> page;
    Outcome outcome = Outcome::NoMrz;
    std::vector<std::string> lines; // as recognised, check digits right or not
    // Where the MRZ lies: how far it is turned clockwise, its centre and its
    // extent along and across its lines, in page pixels.
    double angleDegrees = 0;
    double centreX = 0, centreY = 0;
    double width = 0, height = 0;
};

// nullopt: the file is no picture that can be decoded.
using PageRecogniser = std::function<std::optional<PageScan>(const std::filesystem::path&)>;

// The names a bare page image goes by: .jpg, .jpeg, .png, .tif, .tiff in
// any case; hidden files (a scanner's work in progress) are not.
bool isPageImageName(const std::string& name);

} // namespace readerlink::virtualreader
