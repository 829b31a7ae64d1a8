#pragma once

// The image view control (TGxImageOCX).

#include <functional>
#include <string>

#include "reader/sdk/sdk_types.h"

namespace readerlink::sdk {

class GxImage {
public:
    virtual ~GxImage() = default;

    virtual std::u16string ImgSrcParam() = 0;
    virtual void SetImgSrcParam(const std::u16string& param) = 0;
    virtual int XSize() = 0;
    virtual int Connect(int imageSource, int sourceHandle) = 0;
    virtual int UpdateImage() = 0;
    virtual int ClearImage() = 0;
    virtual int SaveImage(const std::u16string& fileName, int type) = 0;

    // For the window that places the view: what it shows now, and a callback
    // run on the user-interface thread whenever that changes.
    virtual RgbImage Picture() = 0;
    virtual void SetChangedHandler(std::function<void()> onChanged) = 0;
};

} // namespace readerlink::sdk
