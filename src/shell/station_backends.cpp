#include "shell/station_backends.h"

#include "common/error.h"
#include "common/text.h"
#include "platform/linux/posix_serial_device.h"
#include "platform/linux/spawn_converter_launcher.h"
#include "platform/linux/system_local_clock.h"
#include "platform/linux/unix_host_link.h"
#include "reader/virtual/virtual_control_factory.h"
#include "shell/profile_file.h"

namespace readerlink::shell {

namespace {

std::unique_ptr<sdk::ControlFactory> makeVirtualReader(Station& station,
                                                       const StationLocations& where,
                                                       virtualreader::UiDispatcher& dispatcher) {
    const ProfileFile settings(where.settingsFile);
    std::u16string specimens =
        settings.readString(virtualreader::kSettingsSection, virtualreader::kSpecimensKey, u"");
    const std::u16string glass =
        settings.readString(virtualreader::kSettingsSection, virtualreader::kGlassKey, u"");
    const auto exeFolder = station.executable().parent_path();
    if (trimControls(specimens).empty())
        specimens = fromUtf8(where.specimensFolder.string());
    auto options = virtualreader::optionsFromSettings(exeFolder, specimens, glass, dispatcher);
    if (trimControls(glass).empty()) {
        // A library named in the settings may be read-only as well.
        const auto elsewhere = defaultGlassFolder(currentLocationEnvironment(station.executable()),
                                                  options.specimensFolder);
        if (!elsewhere.empty())
            options.glassFolder = elsewhere;
    }
    options.diagnostics = [&station](const std::u16string& line) { station.log(line); };
    station.log(u"Virtual reader glass: " + fromUtf8(options.glassFolder.string()));
    return std::make_unique<virtualreader::VirtualControlFactory>(std::move(options));
}

} // namespace

StationBackends makeStationBackends(Station& station, const StationLocations& where, bool headless,
                                    KeyboardMessageBox messageBox,
                                    virtualreader::UiDispatcher& dispatcher) {
    StationBackends made;
    const auto exeFolder = station.executable().parent_path();

    made.reader = makeVirtualReader(station, where, dispatcher);
    made.clock = platform::makeSystemLocalClock();
    made.converter = platform::makeConverterLauncher(exeFolder.string());
    made.host = makeUnixHostLink();

    if (headless) {
        made.noKeyboardReason = u"no X display";
    } else {
        try {
            made.keyboard = makeX11KeyboardBackend(std::move(messageBox));
        } catch (const Error& e) {
            made.noKeyboardReason = e.message();
        }
    }
    if (!made.keyboard)
        station.log(u"Typing into the target application is unavailable: " + made.noKeyboardReason);

    posix::ComPortPaths ports;
    ports.portsFolder = exeFolder / "ports";
    // Read at each open, so a port mapped by hand while the station runs counts.
    ports.portsSection = [&station](const std::u16string& name) -> std::optional<std::string> {
        if (ProfileFile* settings = station.settings())
            if (auto value = settings->read(u"Ports", name))
                return toUtf8(*value);
        return std::nullopt;
    };
    made.serialDevices = posix::makePosixSerialDeviceFactory(std::move(ports));
    return made;
}

} // namespace readerlink::shell
