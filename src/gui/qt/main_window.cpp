#include "gui/qt/main_window.h"

#include "gui/qt/qt_text.h"

#include "station/app_identity.h"
#include "gui/qt/page_image_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

namespace readerlink::gui {
namespace {

// Log text may hold CR LF (MRZ lines) or a lone CR; each break starts a memo line.
QString memoText(std::u16string_view text) {
    QString out = qs(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

// The memo keeps this many lines; older ones scroll away so that a station
// left running for months does not grow without end.
constexpr int kLogLineLimit = 20000;

QPixmap logoPixmap() {
    QPixmap pixmap(252, 100);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 252, 100);
    gradient.setColorAt(0, QColor(0x0B, 0x2A, 0x5B));
    gradient.setColorAt(1, QColor(0x1F, 0x6F, 0xB2));
    painter.fillRect(pixmap.rect(), gradient);
    painter.setPen(Qt::white);
    QFont big(QStringLiteral("Sans Serif"));
    big.setPixelSize(34);
    big.setBold(true);
    painter.setFont(big);
    painter.drawText(QRect(0, 8, 252, 56), Qt::AlignCenter, QStringLiteral("ORLAM"));
    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(12);
    painter.setFont(small);
    painter.drawText(QRect(0, 62, 252, 28), Qt::AlignCenter,
                     QStringLiteral("Passport Reader Link"));
    return pixmap;
}

} // namespace

MainWindow::MainWindow(station::Station& station, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      station_(station) {
    setObjectName(QStringLiteral("FrmReaderControl"));
    setWindowTitle(qs(station::kWindowTitle));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    setCentralWidget(pages_);

    auto* mainPage = new QWidget;
    mainPage->setObjectName(QStringLiteral("Main"));
    buildMainPage(mainPage);
    pages_->addTab(mainPage, QStringLiteral("Main"));

    auto* dataPage = new QWidget;
    dataPage->setObjectName(QStringLiteral("DataSheet"));
    data_ = new QPlainTextEdit(dataPage);
    data_->setObjectName(QStringLiteral("Data"));
    data_->setReadOnly(true);
    data_->setMaximumBlockCount(kLogLineLimit);
    data_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* dataLayout = new QVBoxLayout(dataPage);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->addWidget(data_);
    pages_->addTab(dataPage, QStringLiteral("Data"));

    const auto imagePage = [this](const QString& name, PageImageView*& view) {
        auto* page = new QWidget;
        page->setObjectName(name);
        view = new PageImageView(page);
        view->setObjectName(name + QStringLiteral("View"));
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        return page;
    };
    sheetImage_ = imagePage(QStringLiteral("SheetImage"), pageImage_);
    pages_->addTab(sheetImage_, QStringLiteral("Image"));
    infra_ = imagePage(QStringLiteral("Infra"), infraImage_);
    pages_->addTab(infra_, QStringLiteral("Infra"));

    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(false);

    setFixedSize(582, 337);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
    station_.setView(nullptr);
}

void MainWindow::buildMainPage(QWidget* page) {
    auto* logo = new QLabel(page);
    logo->setObjectName(QStringLiteral("Logo"));
    logo->setGeometry(8, 8, 252, 100);
    logo->setScaledContents(true);
    logo->setPixmap(logoPixmap());

    auto* contact = new QLabel(page);
    contact->setObjectName(QStringLiteral("Contact"));
    contact->setGeometry(8, 116, 252, 60);
    contact->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    contact->setText(QStringLiteral("\u00A9 2026 Orlam\nPassport reading station link\n"
                                    "For support, call your station administrator."));

    const auto label = [page](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, page);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(x, y, 90, 20);
        return l;
    };

    label("LblApp", QStringLiteral("Application :"), 276, 10);
    edtApp_ = new QComboBox(page);
    edtApp_->setObjectName(QStringLiteral("EdtApp"));
    for (auto item : kTargetNames)
        edtApp_->addItem(qs(item));
    edtApp_->setGeometry(370, 8, 196, 22);
    connect(edtApp_, &QComboBox::currentIndexChanged, this,
            [this](int item) { station_.dispatch([&] { station_.setAppIndex(item); }); });

    chkSendTwoLines_ = new QCheckBox(QStringLiteral("Send two lines"), page);
    chkSendTwoLines_->setObjectName(QStringLiteral("chkSendTwoLines"));
    chkSendTwoLines_->setGeometry(370, 34, 196, 20);
    connect(chkSendTwoLines_, &QCheckBox::toggled, this,
            [this](bool on) { station_.dispatch([&] { station_.setSendTwoLines(on); }); });

    label("lblReader", QStringLiteral("Reader :"), 276, 62);
    edtReader_ = new QComboBox(page);
    edtReader_->setObjectName(QStringLiteral("EdtReader"));
    for (auto item : kReaderNames)
        edtReader_->addItem(qs(item));
    edtReader_->setGeometry(370, 60, 196, 22);
    connect(edtReader_, &QComboBox::currentIndexChanged, this,
            [this](int item) { station_.dispatch([&] { station_.setReaderIndex(item); }); });

    edtComPort_ = new QSpinBox(page);
    edtComPort_->setObjectName(QStringLiteral("EdtComPort"));
    edtComPort_->setRange(INT_MIN, INT_MAX);
    edtComPort_->setGeometry(370, 86, 80, 22);
    edtComPort_->hide();
    connect(edtComPort_, &QSpinBox::valueChanged, this,
            [this](int port) { station_.dispatch([&] { station_.setComPort(port); }); });

    label("Label1", QStringLiteral("Pictures Path :"), 276, 114);
    edtPicPath_ = new QLineEdit(page);
    edtPicPath_->setObjectName(QStringLiteral("edtPicPath"));
    edtPicPath_->setGeometry(370, 112, 170, 22);
    connect(edtPicPath_, &QLineEdit::textEdited, this, [this](const QString& text) {
        station_.dispatch([&] { station_.setPicturePath(text.toStdU16String()); });
    });
    browse_ = new QToolButton(page);
    browse_->setObjectName(QStringLiteral("edtPicPathButton"));
    browse_->setText(QStringLiteral("..."));
    browse_->setGeometry(542, 112, 24, 22);
    connect(browse_, &QToolButton::clicked, this,
            [this] { station_.dispatch([this] { station_.browsePicturePath(); }); });

    const auto button = [page](const char* name, const QString& caption, int x, int y) {
        auto* b = new QPushButton(caption, page);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, 92, 28);
        return b;
    };
    btnConnect_ = button("BtnConnect", QStringLiteral("Connect"), 276, 146);
    connect(btnConnect_, &QPushButton::clicked, this,
            [this] { station_.dispatch([this] { station_.BtnConnectClick(); }); });
    btnTrigger_ = button("BtnTrigger", QStringLiteral("Read"), 375, 146);
    connect(btnTrigger_, &QPushButton::clicked, this,
            [this] { station_.dispatch([this] { station_.BtnTriggerClick(); }); });
    btnTest_ = button("BtnTest", QStringLiteral("Send MRZ"), 474, 146);
    connect(btnTest_, &QPushButton::clicked, this,
            [this] { station_.dispatch([this] { station_.BtnTestClick(); }); });
    btnSendData_ = button("btnSendData", QString(), 276, 180);
    btnSendData_->hide();
    connect(btnSendData_, &QPushButton::clicked, this,
            [this] { station_.dispatch([this] { station_.BtnSendDataClick(); }); });

    btnAuto_ = new QCheckBox(QStringLiteral("Autorun"), page);
    btnAuto_->setObjectName(QStringLiteral("BtnAuto"));
    btnAuto_->setGeometry(276, 182, 120, 20);
    connect(btnAuto_, &QCheckBox::clicked, this,
            [this](bool checked) { station_.dispatch([&] { station_.BtnAutoClick(checked); }); });

    lblStatus_ = new QLabel(page);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setGeometry(276, 210, 228, 20);
    lblStatus_->setFixedWidth(228);

    lblError_ = new QLabel(QStringLiteral("Error"), page);
    lblError_->setObjectName(QStringLiteral("lblError"));
    QFont errorFont(QStringLiteral("Tahoma"));
    errorFont.setPixelSize(16);
    errorFont.setBold(true);
    lblError_->setFont(errorFont);
    QPalette red = lblError_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblError_->setPalette(red);
    lblError_->setGeometry(276, 236, 228, 24);
    lblError_->hide();
}

void MainWindow::appendLogLine(std::u16string_view line) {
    data_->appendPlainText(memoText(line));
}

void MainWindow::showStatusLabel(std::u16string_view text) {
    lblStatus_->setText(qs(text));
}

void MainWindow::showStatusBar(std::u16string_view text) {
    statusBar()->showMessage(qs(text));
}

void MainWindow::showErrorLabelText(std::u16string_view text, LabelColour colour) {
    QPalette palette = lblError_->palette();
    palette.setColor(QPalette::WindowText, colour == LabelColour::Red ? Qt::red : Qt::black);
    lblError_->setPalette(palette);
    lblError_->setText(qs(text));
}

void MainWindow::showErrorLabel(bool visible) {
    lblError_->setVisible(visible);
}

void MainWindow::refreshChoices() {
    // Showing the station's state must not echo back as an operator change.
    const QSignalBlocker b1(edtApp_), b2(chkSendTwoLines_), b3(edtReader_), b4(edtComPort_),
        b5(edtPicPath_), b6(btnAuto_);
    edtApp_->setCurrentIndex(station_.appIndex());
    chkSendTwoLines_->setChecked(station_.sendTwoLines());
    edtReader_->setCurrentIndex(station_.readerIndex());
    edtReader_->setEnabled(station_.readerEnabled());
    edtComPort_->setVisible(station_.comPortVisible());
    edtComPort_->setValue(station_.comPort());
    const QString path = qs(station_.picturePath());
    if (edtPicPath_->text() != path)
        edtPicPath_->setText(path);
    btnAuto_->setVisible(station_.autorunVisible());
    btnAuto_->setChecked(station_.autorunChecked());
}

void MainWindow::showPage(station::Page page) {
    pages_->setCurrentIndex(static_cast<int>(page));
}

void MainWindow::minimize() {
    showMinimized();
}

void MainWindow::endApplication() {
    QCoreApplication::exit(1);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // After the window is on screen, so that boxes "Connect" may show have it as parent.
    QTimer::singleShot(0, this, [this] { station_.dispatch([this] { station_.FormShow(); }); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    station_.dispatch([this] { station_.FormClose(); });
    event->accept();
}

} // namespace readerlink::gui
