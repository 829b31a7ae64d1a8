#pragma once

#include "gui/qt/main_window.h"
#include "station/station_reader_link.h"

#include <array>

namespace readerlink::gui {

// The main window's "Image" and "Infra" page views following the reader's
// white-light and infrared views.
class QtPageViews : public station::PageViewHost {
public:
    explicit QtPageViews(MainWindow& window) : window_(window) {}

    void showView(reader::ImagePage page, sdk::GxImage& view) override;
    void removeView(reader::ImagePage page) override;

private:
    PageImageView* widget(reader::ImagePage page) const;

    MainWindow& window_;
    std::array<sdk::GxImage*, 2> followed_{};
};

} // namespace readerlink::gui
