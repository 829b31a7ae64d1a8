// readerlink-sendkeys: types a key string the way the program does.
//
//   readerlink-sendkeys --dry-run [--layout 00000409|00000401] 'KEYS'
//       prints every key event (arrow, vk, scan, flags), message box and
//       layout change the string makes, on the built-in US or Arabic layout;
//   readerlink-sendkeys [--no-pump] 'KEYS'
//       types it into the focused window of $DISPLAY.
//
// Exit status: 0 when the string was processed, 1 when SendKeys returned
// false (empty string, "No Close"), 2 on an error.

#include "common/error.h"
#include "common/text.h"
#include "delivery/recording_keyboard.h"
#include "delivery/sendkeys.h"
#include "platform/linux/x11_keyboard.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

int usage() {
    std::fputs("usage: readerlink-sendkeys --dry-run [--layout 00000409|00000401] KEYS\n"
               "       readerlink-sendkeys [--no-pump] KEYS\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace readerlink;
    using namespace readerlink::platform;
    bool dryRun = false;
    bool pump = true;
    const KeyboardLayoutTable* layout = &usEnglishLayout();
    const char* keys = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dry-run") == 0) {
            dryRun = true;
        } else if (std::strcmp(argv[i], "--no-pump") == 0) {
            pump = false;
        } else if (std::strcmp(argv[i], "--layout") == 0 && i + 1 < argc) {
            layout = layoutByKlid(fromUtf8(argv[++i]));
            if (layout == nullptr)
                return usage();
        } else if (std::strcmp(argv[i], "--") == 0 && i + 1 < argc && keys == nullptr) {
            keys = argv[++i];
        } else if (keys == nullptr && (argv[i][0] != '-' || argv[i][1] == '\0')) {
            keys = argv[i];
        } else {
            return usage();
        }
    }
    if (keys == nullptr)
        return usage();

    try {
        bool result = false;
        if (dryRun) {
            RecordingKeyboard keyboard(*layout);
            try {
                result = SendKeys(keyboard, fromUtf8(keys), pump);
            } catch (...) {
                // What was sent before the error is part of the preview.
                for (const Recorded& entry : keyboard.recorded())
                    std::printf("%s\n", describe(entry).c_str());
                throw;
            }
            for (const Recorded& entry : keyboard.recorded())
                std::printf("%s\n", describe(entry).c_str());
            std::printf("result %s\n", result ? "true" : "false");
        } else {
            auto keyboard = makeX11KeyboardBackend();
            result = SendKeys(*keyboard, fromUtf8(keys), pump);
        }
        return result ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "readerlink-sendkeys: %s\n", toUtf8(messageOf(e)).c_str());
        return 2;
    }
}
