#include "common/text.h"
#include "platform/autorun_store.h"
#include "platform/single_instance.h"
#include "station/app_identity.h"
#include "station/command_line.h"
#include "station/headless_dialogs.h"
#include "gui/qt/main_window.h"
#include "gui/qt/qt_dialogs.h"
#include "gui/qt/qt_timer.h"
#include "station/single_instance_start.h"
#include "station/station.h"
#include "station/station_assembly.h"
#include "station/station_locations.h"
#include "gui/qt/qt_window_bundle.h"
#include "platform/process_signals.h"
#include "platform/user_folders.h"

#include <QApplication>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Exceptions must not cross Qt's event dispatch; what a handler lets escape
// reaches the default error display and the program goes on.
class StationApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void(const std::exception&)> onError;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            if (onError)
                onError(e);
        } catch (...) {
            if (onError)
                onError(readerlink::Error(u"Unknown error"));
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    using namespace readerlink;
    // Qt takes its own options out of argv; the station looks at the command line as given.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const auto code = station::handleInfoOptions(arguments, std::cout))
        return *code;
    StationApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerlink"));
    QApplication::setApplicationVersion(QStringLiteral(READERLINK_VERSION));

    const QString platform = QGuiApplication::platformName();
    const bool headless =
        platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    std::unique_ptr<Dialogs> dialogs;
    gui::QtDialogs* onScreen = nullptr;
    if (headless) {
        dialogs = std::make_unique<station::HeadlessDialogs>(std::cerr);
    } else {
        auto qt = std::make_unique<gui::QtDialogs>();
        onScreen = qt.get();
        dialogs = std::move(qt);
    }

    const auto instanceLock = platform::makeSingleInstanceLock(station::kInstanceName);
    if (!station::claimStation(*instanceLock, *dialogs))
        return 0;

    const auto autorun = platform::makeAutorunStore();
    gui::QtTimerFactory timers;
    std::vector<std::u16string> stationArguments;
    for (const std::string& arg : arguments)
        stationArguments.push_back(fromUtf8(arg));

    const auto executable = platform::executablePath(argv[0]);
    const auto locations =
        station::resolveStationLocations(station::currentLocationEnvironment(executable));
    station::Station station(station::StationSetup{executable, std::move(stationArguments), *dialogs,
                                               *autorun, timers, &std::cout, locations.settingsFile,
                                               locations.defaultPictureFolder});
    gui::MainWindow window(station);
    if (onScreen)
        onScreen->setParent(&window);
    station.setView(&window);
    gui::QtWindowBundle windowParts(station, window, headless);
    station::StationAssembly assembly(station, locations, windowParts.bundle());
    app.onError = [&station](const std::exception& e) { station.showError(e); };

    station.dispatch([&station] { station.FormCreate(); });
    platform::handleProcessSignals([&windowParts, &window] {
        windowParts.uiThread().post([&window] { window.close(); });
    });
    window.show();
    return QApplication::exec();
}
