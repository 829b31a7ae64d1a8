#include "gui/qt/page_image_view.h"

#include <QPainter>
#include <QPointer>
#include <cstring>

namespace readerlink::gui {

PageImageView::PageImageView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    setPalette(p);
}

void PageImageView::showImage(const sdk::RgbImage& picture) {
    const auto w = static_cast<std::size_t>(picture.width);
    const auto h = static_cast<std::size_t>(picture.height);
    if (picture.width <= 0 || picture.height <= 0 || picture.rgb.size() / 3 / w < h) {
        clear();
        return;
    }
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (std::size_t row = 0; row < h; ++row)
        std::memcpy(image.scanLine(static_cast<int>(row)), picture.rgb.data() + row * w * 3, w * 3);
    image_ = std::move(image);
    update();
}

void PageImageView::follow(sdk::GxImage& source) {
    QPointer<PageImageView> self(this); // the control may outlive the window
    source.SetChangedHandler([self, &source] {
        if (self)
            self->showImage(source.Picture());
    });
    showImage(source.Picture());
}

void PageImageView::clear() {
    image_ = QImage();
    update();
}

void PageImageView::paintEvent(QPaintEvent*) {
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                       size.height());
    painter.drawImage(target, image_);
}

} // namespace readerlink::gui
