#include "gui/qt/qt_page_views.h"

#include "gui/qt/page_image_view.h"

namespace readerlink::gui {

namespace {
std::size_t slot(reader::ImagePage page) {
    return page == reader::ImagePage::Image ? 0 : 1;
}
} // namespace

PageImageView* QtPageViews::widget(reader::ImagePage page) const {
    return page == reader::ImagePage::Image ? window_.pageImageView() : window_.infraImageView();
}

void QtPageViews::showView(reader::ImagePage page, sdk::GxImage& view) {
    removeView(page);
    followed_[slot(page)] = &view;
    widget(page)->follow(view);
}

void QtPageViews::removeView(reader::ImagePage page) {
    sdk::GxImage*& view = followed_[slot(page)];
    if (!view)
        return;
    // The view is still alive here; unhooked, it can no longer repaint a tab
    // that shows its successor.
    view->SetChangedHandler({});
    view = nullptr;
    widget(page)->clear();
}

} // namespace readerlink::gui
