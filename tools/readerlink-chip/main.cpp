// readerlink-chip: reads passports through any PC/SC contactless reader, for
// operators and integrators checking a station's reader and trust store.
//
//   readerlink-chip list
//   readerlink-chip read [--reader NAME] [--trust FOLDER] [--wait SECONDS] [--short] MRZ_LINE...
//
// Exit status 0 only when BAC and every read succeeded; the Passive
// Authentication result is printed, and does not change the status.

#include "pcsc_chip_read.h"
#include "reader/chip/bytes.h"
#include "reader/chip/mrz_information.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace readerlink;

int usage() {
    std::cerr << "usage: readerlink-chip list\n"
                 "       readerlink-chip read [--reader NAME] [--trust FOLDER] [--wait SECONDS] "
                 "[--short] "
                 "MRZ_LINE...\n";
    return 2;
}

int list() {
    pcsc::PcscService service;
    const auto readers = service.readers();
    if (readers.empty())
        std::cout << "No smart-card reader is connected\n";
    for (const auto& reader : readers)
        std::cout << reader.name << ": "
                  << (reader.cardPresent ? "card, ATR " + chip::toHex(reader.atr) : "no card")
                  << "\n";
    return 0;
}

int read(const std::vector<std::string>& args) {
    chiptool::PcscReadOptions options;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--reader" && i + 1 < args.size()) {
            options.reader = args[++i];
        } else if (args[i] == "--trust" && i + 1 < args.size()) {
            options.trustFolder = args[++i];
        } else if (args[i] == "--wait" && i + 1 < args.size()) {
            options.wait = std::chrono::seconds(std::stoi(args[++i]));
        } else if (args[i] == "--short") {
            options.allowExtendedLength = false;
        } else if (args[i].starts_with("--")) {
            return usage();
        } else {
            lines.push_back(args[i]);
        }
    }
    if (lines.empty())
        return usage();
    const std::string mrzInformation = chip::mrzInformationFromLines(lines);
    pcsc::PcscService service;
    std::cout << chiptool::describe(chiptool::readChipOverPcsc(service, mrzInformation, options));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usage();
    try {
        if (args[0] == "list" && args.size() == 1)
            return list();
        if (args[0] == "read")
            return read({args.begin() + 1, args.end()});
    } catch (const std::exception& e) {
        std::cerr << "readerlink-chip: " << e.what() << "\n";
        return 1;
    }
    return usage();
}
