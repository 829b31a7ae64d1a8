#include "station/command_line.h"

#include "common/text.h"
#include "station/app_identity.h"

namespace readerlink::station {

std::optional<int> handleInfoOptions(const std::vector<std::string>& arguments, std::ostream& out) {
    for (const std::string& arg : arguments) {
        if (arg == "--version") {
            out << "readerlink " << READERLINK_VERSION << '\n';
            return 0;
        }
        if (arg == "--help") {
            out << "Usage: readerlink [/m] [--serial-readers]\n"
                << toUtf8(kWindowTitle) << ": drives the desk passport reader and hands each\n"
                << "MRZ to the target application.\n\n"
                << "  /m         as first argument: minimize about two seconds after start\n"
                << "  --serial-readers\n"
                << "             offer the serial MRZ readers: the reader choice is enabled\n"
                << "             and the COM port shown (also [Reader] SerialReaders=1)\n"
                << "  --help     show this text and exit\n"
                << "  --version  show the version and exit\n\n"
                << "Settings are kept in Settings.ini beside the executable, or in\n"
                << "~/.config/readerlink/ when that folder is not writable. Without a\n"
                << "display, run with QT_QPA_PLATFORM=offscreen; the log goes to standard "
                   "output.\n";
            return 0;
        }
    }
    return std::nullopt;
}

bool serialReadersAsked(const std::vector<std::u16string>& arguments) {
    for (const std::u16string& arg : arguments)
        if (arg == kSerialReadersOption)
            return true;
    return false;
}

} // namespace readerlink::station
