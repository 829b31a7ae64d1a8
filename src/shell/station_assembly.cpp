#include "shell/station_assembly.h"

#include "common/text.h"
#include "shell/station_backends.h"

#include <QMessageBox>
#include <iostream>

namespace readerlink::shell {

namespace {

QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

StationAssembly::StationAssembly(Station& station, MainWindow& window, AssemblyOptions options)
    : station_(station), threads_(station), pageViews_(window) {
    // The archive makes one folder level below the picture folder, never the
    // folder itself; the default one is ours to provide. When it cannot be
    // made, the archive's own log lines say so at the first read.
    std::error_code ignored;
    std::filesystem::create_directories(options.locations.defaultPictureFolder, ignored);
    // The keystroke engine's own boxes ("SendKeys"), also kept on standard error.
    KeyboardMessageBox messageBox = [&window](std::u16string_view text,
                                              std::u16string_view caption) {
        std::cerr << toUtf8(caption) << ": " << toUtf8(text) << std::endl;
        QMessageBox box(QMessageBox::NoIcon, qs(caption), qs(text), QMessageBox::Ok, &window);
        box.exec();
    };
    StationBackends backends =
        makeStationBackends(station, options.locations, options.headless, messageBox, threads_);

    serial_ =
        std::make_unique<StationSerialLink>(station, std::move(backends.serialDevices), threads_);
    delivery_ = std::make_unique<StationDeliveryLink>(
        station, DeliveryLinkParts{std::move(backends.host), std::move(backends.keyboard),
                                   std::move(backends.noKeyboardReason),
                                   [&window] { return static_cast<WindowId>(window.winId()); }});
    reader_ = std::make_unique<StationReaderLink>(
        station,
        ReaderLinkParts{std::move(backends.reader), std::move(backends.clock),
                        std::move(backends.converter), messageLoop_, &pageViews_, serial_.get()});

    station.setSerialReader(serial_.get());
    station.setDelivery(delivery_.get());
    station.setPassportReader(reader_.get());
}

StationAssembly::~StationAssembly() {
    station_.setPassportReader(nullptr);
    station_.setDelivery(nullptr);
    station_.setSerialReader(nullptr);
}

} // namespace readerlink::shell
