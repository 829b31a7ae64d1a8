// The Qt window on the offscreen platform: names, captions and states of the
// controls, and that clicks and station changes travel both ways.

#include "gui/qt/main_window.h"
#include "gui/qt/page_image_view.h"
#include "station_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

namespace readerlink::station::testing {

using gui::MainWindow;
using gui::PageImageView;
namespace {

class MainWindowTest : public StationFixture {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_gui_qt_window";
        static char* argv[] = {name, nullptr};
        application = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application;
        application = nullptr;
    }
    static inline QApplication* application = nullptr;

    void SetUp() override {
        start();
        window = std::make_unique<MainWindow>(*station);
        station->setView(window.get());
        station->FormCreate();
    }
    void TearDown() override {
        station->setView(nullptr);
        window.reset();
    }

    template <typename T> T* control(const char* name) {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            ADD_FAILURE() << "no control " << name;
        return widget;
    }

    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WindowHasItsTitlePagesAndSize) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orlam Passport Reader Link"));
    auto* pages = control<QTabWidget>("PageControl");
    ASSERT_EQ(pages->count(), 4);
    const char* titles[] = {"Main", "Data", "Image", "Infra"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(pages->tabText(i), QString::fromLatin1(titles[i]));
    EXPECT_EQ(window->size(), QSize(582, 337));
    EXPECT_EQ(window->statusBar()->height(), 19);
}

TEST_F(MainWindowTest, ControlsShowTheirCaptionsAndStartStates) {
    window->show();
    const struct {
        const char* name;
        const char* caption;
        bool visible;
    } buttons[] = {
        {"BtnConnect", "Connect", true},
        {"BtnTrigger", "Read", true},
        {"BtnTest", "Send MRZ", true},
        {"btnSendData", "", false},
    };
    for (const auto& b : buttons) {
        auto* button = control<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromLatin1(b.caption)) << b.name;
        EXPECT_EQ(button->isVisible(), b.visible) << b.name;
    }
    const struct {
        const char* name;
        const char* caption;
        bool visible;
    } labels[] = {
        {"LblApp", "Application :", true},   {"lblReader", "Reader :", true},
        {"Label1", "Pictures Path :", true}, {"lblStatus", "", true},
        {"lblError", "Error", false},
    };
    for (const auto& l : labels) {
        auto* label = control<QLabel>(l.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(l.caption)) << l.name;
        EXPECT_EQ(label->isVisible(), l.visible) << l.name;
    }
    EXPECT_EQ(control<QLabel>("lblStatus")->width(), 228);

    auto* app = control<QComboBox>("EdtApp");
    ASSERT_EQ(app->count(), 2);
    EXPECT_EQ(app->itemText(0), QStringLiteral("ORLAM"));
    EXPECT_EQ(app->itemText(1), QStringLiteral("Direct"));
    EXPECT_EQ(app->currentIndex(), 0); // from the (missing) settings

    auto* twoLines = control<QCheckBox>("chkSendTwoLines");
    EXPECT_EQ(twoLines->text(), QStringLiteral("Send two lines"));
    EXPECT_TRUE(twoLines->isChecked());
    auto* autorunBox = control<QCheckBox>("BtnAuto");
    EXPECT_EQ(autorunBox->text(), QStringLiteral("Autorun"));
    EXPECT_FALSE(autorunBox->isVisible());
    EXPECT_FALSE(control<QSpinBox>("EdtComPort")->isVisible());
    EXPECT_EQ(control<QLineEdit>("edtPicPath")->text().toStdU16String(), station->picturePath());
    EXPECT_TRUE(control<QPlainTextEdit>("Data")->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, ReaderIsForcedToTheDeskReaderAndDisabled) {
    for (const char* index : {"0", "1", "6", "42"}) {
        writeFile(settingsPath(), std::string("[Reader]\nIndex=") + index + "\n");
        TearDown();
        SetUp();
        auto* reader = control<QComboBox>("EdtReader");
        ASSERT_EQ(reader->count(), 7);
        EXPECT_EQ(reader->currentText(), QStringLiteral("ARH PRMC")) << index;
        EXPECT_FALSE(reader->isEnabled()) << index;
    }
    const char* items[] = {"Zebex",    "Handheld",      "Access IS",
                           "ARH PRMC", "Wintone-CR620", "Metrologic Focus MS1890",
                           "3M CR100"};
    auto* reader = control<QComboBox>("EdtReader");
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(reader->itemText(i), QString::fromLatin1(items[i]));
}

TEST_F(MainWindowTest, AStationSetUpForSerialReadersShowsTheChoiceAndTheComPort) {
    writeFile(settingsPath(), "[Reader]\nIndex=6\nComPort=12\nSerialReaders=1\n");
    TearDown();
    SetUp();
    window->show();
    auto* reader = control<QComboBox>("EdtReader");
    EXPECT_TRUE(reader->isEnabled());
    EXPECT_EQ(reader->currentText(), QStringLiteral("3M CR100"));
    auto* port = control<QSpinBox>("EdtComPort");
    EXPECT_TRUE(port->isVisible());
    EXPECT_EQ(port->value(), 12);
    port->setValue(4);
    EXPECT_EQ(station->comPort(), 4);
}

TEST_F(MainWindowTest, OperatorChangesReachTheStation) {
    control<QComboBox>("EdtApp")->setCurrentIndex(1);
    EXPECT_EQ(station->appIndex(), 1);
    control<QCheckBox>("chkSendTwoLines")->click();
    EXPECT_FALSE(station->sendTwoLines());
    control<QLineEdit>("edtPicPath")->textEdited(QStringLiteral("/srv/typed"));
    EXPECT_EQ(station->picturePath(), u"/srv/typed");

    dialogs.folderAnswers.push_back("/srv/chosen");
    control<QToolButton>("edtPicPathButton")->click();
    EXPECT_EQ(control<QLineEdit>("edtPicPath")->text(), QStringLiteral("/srv/chosen"));

    calls.calls.clear();
    control<QPushButton>("BtnConnect")->click();
    control<QPushButton>("BtnTrigger")->click();
    EXPECT_EQ(calls.calls, (std::vector<std::string>{"reader.connect", "reader.read"}));
    EXPECT_EQ(ProfileFile(settingsPath()).readInteger(u"Reader", u"App", -5), 1);
}

TEST_F(MainWindowTest, SendMrzMinimizesTheWindow) {
    window->show();
    dialogs.inputAnswers.push_back(u"MRZ TEXT");
    control<QPushButton>("BtnTest")->click();
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(station->scanData(), u"MRZ TEXT");
    EXPECT_TRUE(sendDataTimer().isActive());
}

TEST_F(MainWindowTest, StationOutputIsShown) {
    station->log(u"first");
    station->log(u"L1\r\nL2\rL3");
    station->logStatus(u"<use device>");
    station->setStatusBarText(u"Document is moving ...");
    station->setErrorLabelVisible(true);
    window->show();
    EXPECT_EQ(control<QPlainTextEdit>("Data")->toPlainText(),
              QStringLiteral("first\nL1\nL2\nL3\n<use device>"));
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("<use device>"));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Document is moving ..."));
    EXPECT_TRUE(control<QLabel>("lblError")->isVisible());
    station->setErrorLabelText(u"Working", LabelColour::Black);
    EXPECT_EQ(control<QLabel>("lblError")->text(), QStringLiteral("Working"));
    EXPECT_EQ(control<QLabel>("lblError")->palette().color(QPalette::WindowText),
              QColor(Qt::black));
    EXPECT_TRUE(control<QLabel>("lblError")->isVisible());
    station->setStatusLabel(u"Capture");
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("Capture"));
}

TEST_F(MainWindowTest, FirstShowOpensMainAndConnectsOnce) {
    auto* pages = control<QTabWidget>("PageControl");
    pages->setCurrentIndex(2);
    calls.calls.clear();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(pages->currentIndex(), 0);
    window->hide();
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"reader.connect"});
}

TEST_F(MainWindowTest, ImagePagesShowTheReadersPictures) {
    ASSERT_NE(window->pageImageView(), nullptr);
    ASSERT_NE(window->infraImageView(), nullptr);
    EXPECT_TRUE(window->imagePage()->isAncestorOf(window->pageImageView()));
    EXPECT_TRUE(window->infraPage()->isAncestorOf(window->infraImageView()));

    sdk::RgbImage picture{2, 1, {255, 0, 0, 0, 0, 255}};
    window->pageImageView()->showImage(picture);
    const QImage& shown = window->pageImageView()->image();
    ASSERT_EQ(shown.size(), QSize(2, 1));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(1, 0), QColor(0, 0, 255));

    window->pageImageView()->showImage(sdk::RgbImage{4, 4, {1, 2, 3}}); // too few bytes
    EXPECT_TRUE(window->pageImageView()->image().isNull());
}

// An image view control that shows whatever picture the test gives it.
class PictureSource : public sdk::GxImage {
public:
    std::u16string ImgSrcParam() override { return {}; }
    void SetImgSrcParam(const std::u16string&) override {}
    int XSize() override { return picture.width; }
    int Connect(int, int) override { return 1; }
    int UpdateImage() override { return 1; }
    int ClearImage() override { return 1; }
    int SaveImage(const std::u16string&, int) override { return 0; }
    sdk::RgbImage Picture() override { return picture; }
    void SetChangedHandler(std::function<void()> onChanged) override {
        changed = std::move(onChanged);
    }
    sdk::RgbImage picture;
    std::function<void()> changed;
};

TEST_F(MainWindowTest, PageViewFollowsTheReadersImageView) {
    PictureSource source;
    source.picture = {1, 1, {10, 20, 30}};
    window->infraImageView()->follow(source);
    EXPECT_EQ(window->infraImageView()->image().pixelColor(0, 0), QColor(10, 20, 30));
    source.picture = {1, 2, {1, 1, 1, 2, 2, 2}};
    source.changed();
    EXPECT_EQ(window->infraImageView()->image().size(), QSize(1, 2));
    window.reset(); // the control outlives the window
    source.changed();
}

} // namespace
} // namespace readerlink::station::testing
