#include "common/text.h"
#include "platform/autorun_store.h"
#include "platform/single_instance.h"
#include "shell/app_identity.h"
#include "shell/command_line.h"
#include "shell/headless_dialogs.h"
#include "shell/main_window.h"
#include "shell/qt_dialogs.h"
#include "shell/qt_timer.h"
#include "shell/single_instance_start.h"
#include "shell/station.h"
#include "shell/station_assembly.h"
#include "shell/station_locations.h"
#include "shell/stop_signals.h"

#include <QApplication>
#include <csignal>
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

std::filesystem::path executablePath(const char* argv0) {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return path;
    return std::filesystem::absolute(argv0, ec);
}

} // namespace

int main(int argc, char** argv) {
    using namespace readerlink;
    // Qt takes its own options out of argv; the station looks at the command line as given.
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const auto code = shell::handleInfoOptions(arguments, std::cout))
        return *code;
    // A log reader that goes away must not kill the station.
    std::signal(SIGPIPE, SIG_IGN);

    StationApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerlink"));
    QApplication::setApplicationVersion(QStringLiteral(READERLINK_VERSION));

    const QString platform = QGuiApplication::platformName();
    const bool headless =
        platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    std::unique_ptr<Dialogs> dialogs;
    shell::QtDialogs* onScreen = nullptr;
    if (headless) {
        dialogs = std::make_unique<shell::HeadlessDialogs>(std::cerr);
    } else {
        auto qt = std::make_unique<shell::QtDialogs>();
        onScreen = qt.get();
        dialogs = std::move(qt);
    }

    const auto instanceLock = platform::makeSingleInstanceLock(shell::kInstanceName);
    if (!shell::claimStation(*instanceLock, *dialogs))
        return 0;

    const auto autorun = platform::makeAutorunStore();
    shell::QtTimerFactory timers;
    std::vector<std::u16string> stationArguments;
    for (const std::string& arg : arguments)
        stationArguments.push_back(fromUtf8(arg));

    const auto executable = executablePath(argv[0]);
    const auto locations =
        shell::resolveStationLocations(shell::currentLocationEnvironment(executable));
    shell::Station station(shell::StationSetup{executable, std::move(stationArguments), *dialogs,
                                               *autorun, timers, &std::cout, locations.settingsFile,
                                               locations.defaultPictureFolder});
    shell::MainWindow window(station);
    if (onScreen)
        onScreen->setParent(&window);
    station.setView(&window);
    shell::StationAssembly assembly(station, window, {locations, headless});
    app.onError = [&station](const std::exception& e) { station.showError(e); };

    station.dispatch([&station] { station.formCreate(); });
    shell::closeOnStopSignals(window);
    window.show();
    return QApplication::exec();
}
