#pragma once

// The virtual reader's image view.

#include <memory>

#include "reader/sdk/gx_image.h"
#include "reader/virtual/reader_session.h"

namespace readerlink::virtualreader {

class VirtualGxImage : public sdk::GxImage {
public:
    explicit VirtualGxImage(std::shared_ptr<ReaderSession> session);
    ~VirtualGxImage() override;

    std::u16string ImgSrcParam() override;
    void SetImgSrcParam(const std::u16string& param) override;
    int XSize() override;
    int Connect(int imageSource, int sourceHandle) override;
    int UpdateImage() override;
    int ClearImage() override;
    int SaveImage(const std::u16string& fileName, int type) override;
    sdk::RgbImage Picture() override;
    void SetChangedHandler(std::function<void()> onChanged) override;

    class View;

private:
    std::shared_ptr<View> view_;
};

} // namespace readerlink::virtualreader
