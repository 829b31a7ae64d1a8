// make-mrz-page: renders a page image with a random valid MRZ (or the lines
// given) for trying the recogniser and scanning workflows by hand.
//
//   make-mrz-page [--layout td1|td2|td3|mrva|mrvb] [--dpi N] [--seed N]
//                 [--degrade] [--line TEXT]... OUTPUT.png|.jpg|.tif

#include "page_render.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace readerlink;
    pagerender::PageOrder order;
    mrz::Layout layout = mrz::Layout::TD3;
    bool degrade = false;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--layout" && hasValue) {
            const std::string v = argv[++i];
            layout = v == "td1"    ? mrz::Layout::TD1
                     : v == "td2"  ? mrz::Layout::TD2
                     : v == "mrva" ? mrz::Layout::MRVA
                     : v == "mrvb" ? mrz::Layout::MRVB
                                   : mrz::Layout::TD3;
        } else if (arg == "--dpi" && hasValue) {
            order.dpi = std::stoi(argv[++i]);
        } else if (arg == "--seed" && hasValue) {
            order.seed = static_cast<unsigned>(std::stoul(argv[++i]));
        } else if (arg == "--degrade") {
            degrade = true;
        } else if (arg == "--line" && hasValue) {
            order.mrz.push_back(argv[++i]);
        } else if (!arg.starts_with("--")) {
            output = arg;
        } else {
            std::cerr << "make-mrz-page: unknown option " << arg << "\n";
            return 2;
        }
    }
    if (output.empty() || order.dpi < 50 || order.dpi > 1200) {
        std::cerr << "usage: make-mrz-page [--layout td1|td2|td3|mrva|mrvb] [--dpi N] [--seed N] "
                     "[--degrade] "
                     "[--line TEXT]... OUTPUT\n";
        return 2;
    }
    std::mt19937 random(order.seed);
    if (order.mrz.empty())
        order.mrz = pagerender::randomMrz(layout, random);
    if (degrade)
        order.degrade = pagerender::randomDegradations(random);
    if (!pagerender::writeImage(pagerender::renderPage(order), output)) {
        std::cerr << "make-mrz-page: cannot write " << output << "\n";
        return 1;
    }
    for (const auto& line : order.mrz)
        std::cout << line << "\n";
    return 0;
}
