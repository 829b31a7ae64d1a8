#pragma once

#include "station/station.h"
#include "station/station_view.h"

#include <QMainWindow>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace readerlink::gui {

class PageImageView;

// The main window TFrmReaderControl: widgets only. Every click goes to the
// station's handler and every change the station reports is shown here.
// Widgets carry their control names as object names.
class MainWindow : public QMainWindow, public station::StationView {
public:
    explicit MainWindow(station::Station& station, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The white-light and infrared page views on "Image" and "Infra".
    PageImageView* pageImageView() const { return pageImage_; }
    PageImageView* infraImageView() const { return infraImage_; }
    QWidget* imagePage() const { return sheetImage_; }
    QWidget* infraPage() const { return infra_; }

    // StationView
    void appendLogLine(std::u16string_view line) override;
    void showStatusLabel(std::u16string_view text) override;
    void showStatusBar(std::u16string_view text) override;
    void showErrorLabel(bool visible) override;
    void showErrorLabelText(std::u16string_view text, LabelColour colour) override;
    void refreshChoices() override;
    void showPage(station::Page page) override;
    void minimize() override;
    void endApplication() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMainPage(QWidget* page);

    station::Station& station_;
    bool shownOnce_ = false;

    QTabWidget* pages_ = nullptr;
    QComboBox* edtApp_ = nullptr;
    QCheckBox* chkSendTwoLines_ = nullptr;
    QComboBox* edtReader_ = nullptr;
    QSpinBox* edtComPort_ = nullptr;
    QLineEdit* edtPicPath_ = nullptr;
    QToolButton* browse_ = nullptr;
    QPushButton* btnConnect_ = nullptr;
    QPushButton* btnTrigger_ = nullptr;
    QPushButton* btnTest_ = nullptr;
    QPushButton* btnSendData_ = nullptr;
    QCheckBox* btnAuto_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblError_ = nullptr;
    QPlainTextEdit* data_ = nullptr;
    QWidget* sheetImage_ = nullptr;
    QWidget* infra_ = nullptr;
    PageImageView* pageImage_ = nullptr;
    PageImageView* infraImage_ = nullptr;
};

} // namespace readerlink::gui
