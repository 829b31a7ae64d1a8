#pragma once

#include "reader/sdk/gx_image.h"
#include "reader/sdk/sdk_types.h"

#include <QImage>
#include <QWidget>

namespace readerlink::gui {

// Shows a reader's page picture scaled to fit, keeping its proportions.
class PageImageView : public QWidget {
public:
    explicit PageImageView(QWidget* parent = nullptr);

    // A picture whose bytes do not match its size clears the view.
    void showImage(const sdk::RgbImage& picture);
    void clear();
    // Shows what an SDK image view shows, now and after each change. The
    // source is not owned; call again with the next control after a reconnect.
    void follow(sdk::GxImage& source);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

} // namespace readerlink::gui
