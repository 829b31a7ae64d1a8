#include "station/station_assembly.h"

#include "common/error.h"
#include "common/text.h"
#include "platform/backends.h"
#include "reader/virtual/virtual_control_factory.h"
#ifdef READERLINK_PAGE_OCR
#include "reader/virtual/ocr_page_recogniser.h"
#endif
#include "station/chip_source.h"
#include "station/profile_file.h"

#include <filesystem>
#include <system_error>

namespace readerlink::station {

namespace {

std::unique_ptr<sdk::ControlFactory> makeVirtualReader(Station& station,
                                                       const StationLocations& where,
                                                       UiThread& uiThread) {
    const ProfileFile settings(where.settingsFile);
    std::u16string specimens =
        settings.readString(virtualreader::kSettingsSection, virtualreader::kSpecimensKey, u"");
    const std::u16string glass =
        settings.readString(virtualreader::kSettingsSection, virtualreader::kGlassKey, u"");
    const auto exeFolder = station.executable().parent_path();
    if (trimControls(specimens).empty())
        specimens = fromUtf8(where.specimensFolder.string());
    auto options = virtualreader::optionsFromSettings(exeFolder, specimens, glass, uiThread);
    if (trimControls(glass).empty()) {
        // A library named in the settings may be read-only as well.
        const auto elsewhere = defaultGlassFolder(currentLocationEnvironment(station.executable()),
                                                  options.specimensFolder);
        if (!elsewhere.empty())
            options.glassFolder = elsewhere;
    }
    options.diagnostics = [&station](const std::u16string& line) { station.log(line); };
#ifdef READERLINK_PAGE_OCR
    options.pageRecogniser = virtualreader::ocrPageRecogniser();
#endif
    station.log(u"Virtual reader glass: " + fromUtf8(options.glassFolder.string()));
    chooseChipSource(options, settings, where.specimensFolder / "trust", exeFolder,
                     {[&station](const std::u16string& line) { station.log(line); },
                      [&station](const std::u16string& text) {
                          station.scanData() = text;
                          station.BtnSendDataClick();
                      }});
    return std::make_unique<virtualreader::VirtualControlFactory>(std::move(options));
}

std::unique_ptr<KeyboardBackend> makeKeyboard(Station& station, const WindowBundle& window,
                                              std::u16string& noKeyboardReason) {
    std::unique_ptr<KeyboardBackend> keyboard;
    noKeyboardReason = window.noTypingReason;
    if (noKeyboardReason.empty()) {
        try {
            keyboard = platform::makeKeyboard(window.messageBox);
        } catch (const Error& e) {
            noKeyboardReason = e.message();
        }
    }
    if (!keyboard)
        station.log(u"Typing into the target application is unavailable: " + noKeyboardReason);
    return keyboard;
}

} // namespace

StationAssembly::StationAssembly(Station& station, const StationLocations& locations,
                                 WindowBundle window)
    : station_(station) {
    // The archive makes one folder level below the picture folder, never the
    // folder itself; the default one is ours to provide. When it cannot be
    // made, the archive's own log lines say so at the first read.
    std::error_code ignored;
    std::filesystem::create_directories(locations.defaultPictureFolder, ignored);
    const auto programFolder = station.executable().parent_path();

    auto reader = makeVirtualReader(station, locations, window.uiThread);
    std::u16string noKeyboardReason;
    auto keyboard = makeKeyboard(station, window, noKeyboardReason);

    serial_ = std::make_unique<StationSerialLink>(
        station, platform::makeSerialDevices(programFolder, portsSection(station)), window.uiThread);
    delivery_ = std::make_unique<StationDeliveryLink>(
        station, DeliveryLinkParts{platform::makeHostLink(), std::move(keyboard),
                                   std::move(noKeyboardReason), std::move(window.windowId),
                                   &window.uiThread});
    reader_ = std::make_unique<StationReaderLink>(
        station, ReaderLinkParts{std::move(reader), platform::makeLocalClock(),
                                 platform::makeImageConverterLauncher(programFolder),
                                 window.messageLoop, window.pageViews});

    station.setSerialReader(serial_.get());
    station.setDelivery(delivery_.get());
    station.setPassportReader(reader_.get());
}

StationAssembly::~StationAssembly() {
    station_.setPassportReader(nullptr);
    station_.setDelivery(nullptr);
    station_.setSerialReader(nullptr);
}

} // namespace readerlink::station
