#pragma once

// What the controls of one factory share: the documents their handles name
// and the image sources their views connect to.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/sdk/sdk_types.h"
#include "reader/virtual/virtual_reader_options.h"

namespace readerlink::virtualreader {

using SharedPicture = std::shared_ptr<const sdk::RgbImage>;

struct VirtualDocument {
    bool valid = false;
    std::map<int, std::u16string> fields;
    std::map<int, int> statuses;
    std::map<int, SharedPicture> images;
    std::optional<std::uint32_t> chipFileMask;
};

// Handles stay valid for the latest kKept documents, so endless reading does
// not grow memory; a document selected in a PrDoc lives on regardless.
class DocumentTable {
public:
    static constexpr std::size_t kKept = 64;
    sdk::DocHandle add(std::shared_ptr<const VirtualDocument> document);
    std::shared_ptr<const VirtualDocument> find(sdk::DocHandle handle) const;

private:
    sdk::DocHandle next_ = 0x1000;
    std::deque<std::pair<sdk::DocHandle, std::shared_ptr<const VirtualDocument>>> documents_;
};

// Something an image view can show: the reader's page images, or the image
// fields of the document a PrDoc holds.
class ImageProvider {
public:
    virtual ~ImageProvider() = default;
    virtual SharedPicture image(std::u16string_view param) const = 0;

    // Views that follow this source; a listener returns false once its view
    // is gone.
    void addListener(std::function<bool()> listener) { listeners_.push_back(std::move(listener)); }
    void notifyChanged();

private:
    std::vector<std::function<bool()>> listeners_;
};

constexpr int kReaderImageSource = 1;
constexpr int kDocumentImageSource = 2;

class SourceRegistry {
public:
    int add(int kind, std::weak_ptr<ImageProvider> provider);
    std::shared_ptr<ImageProvider> find(int kind, int handle);

private:
    int next_ = 0x100;
    std::map<int, std::pair<int, std::weak_ptr<ImageProvider>>> sources_;
};

struct ReaderSession {
    explicit ReaderSession(VirtualReaderOptions o) : options(std::move(o)) {}
    VirtualReaderOptions options;
    DocumentTable documents;
    SourceRegistry sources;
};

} // namespace readerlink::virtualreader
