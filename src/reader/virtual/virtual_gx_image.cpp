#include "reader/virtual/virtual_gx_image.h"

#include "common/text.h"
#include "reader/virtual/jpeg_codec.h"

namespace readerlink::virtualreader {

namespace {
constexpr int kJpegFileType = 2;
}

class VirtualGxImage::View {
public:
    explicit View(std::shared_ptr<ReaderSession> s) : session(std::move(s)) {}

    void show(SharedPicture next) {
        picture = std::move(next);
        if (onChanged)
            onChanged();
    }

    int refresh() {
        const auto provider = source.lock();
        if (!provider)
            return 0;
        show(provider->image(param));
        return 1;
    }

    std::shared_ptr<ReaderSession> session;
    std::u16string param;
    std::weak_ptr<ImageProvider> source;
    SharedPicture picture;
    std::function<void()> onChanged;
    std::unique_ptr<JpegCodec> codec;
};

VirtualGxImage::VirtualGxImage(std::shared_ptr<ReaderSession> session)
    : view_(std::make_shared<View>(std::move(session))) {}

VirtualGxImage::~VirtualGxImage() = default;

std::u16string VirtualGxImage::ImgSrcParam() { return view_->param; }

void VirtualGxImage::SetImgSrcParam(const std::u16string& param) { view_->param = param; }

int VirtualGxImage::XSize() { return view_->picture ? view_->picture->width : 0; }

int VirtualGxImage::Connect(int imageSource, int sourceHandle) {
    const auto provider = view_->session->sources.find(imageSource, sourceHandle);
    if (!provider)
        return 0;
    view_->source = provider;
    // The reader's page views follow every capture by themselves; document
    // views show a document's image on UpdateImage only.
    if (imageSource == kReaderImageSource) {
        std::weak_ptr<View> weak = view_;
        std::weak_ptr<ImageProvider> bound = provider;
        provider->addListener([weak, bound] {
            const auto view = weak.lock();
            if (!view || view->source.lock() != bound.lock())
                return false;
            view->refresh();
            return true;
        });
    }
    return 1;
}

int VirtualGxImage::UpdateImage() { return view_->refresh(); }

int VirtualGxImage::ClearImage() {
    view_->show(nullptr);
    return 1;
}

int VirtualGxImage::SaveImage(const std::u16string& fileName, int type) {
    if (type != kJpegFileType || !view_->picture || fileName.empty())
        return 0;
    if (!view_->codec)
        view_->codec = std::make_unique<JpegCodec>();
    const auto jpeg = view_->codec->encodeInPlace(*view_->picture, view_->session->options.jpegQuality);
    if (jpeg.empty())
        return 0;
    return writeFileBytes(std::filesystem::path(toUtf8(fileName)), jpeg) ? 1 : 0;
}

sdk::RgbImage VirtualGxImage::Picture() { return view_->picture ? *view_->picture : sdk::RgbImage{}; }

void VirtualGxImage::SetChangedHandler(std::function<void()> onChanged) {
    view_->onChanged = std::move(onChanged);
}

} // namespace readerlink::virtualreader
