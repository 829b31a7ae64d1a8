// End to end under an X server: the time from the call until a receiving
// window has all 89 keys of an MRZ and Enter, for readerlink's keyboard, for
// plain XTest with one flush (the floor) and for "xdotool type --delay 0".
// Run it through bench/sendkeys-x11, which starts a private Xvfb.
//
//   sendkeys_x11_bench [--rounds N] [--layouts us|us,ara] [--lock-group G]

#include "delivery/sendkeys.h"
#include "delivery/us_key_table.h"
#include "platform/linux/x11_keyboard.h"
#include "x_key_receiver.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string Mrz = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                        "L898902C36UTO7408122F1204159ZE184226B<<<<<10";

struct Result {
    std::vector<double> ms;
    int wrongRounds = 0;
    double median() const {
        auto sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

std::u32string expected() {
    std::u32string text(Mrz.begin(), Mrz.end());
    text.push_back(U'\r');
    return text;
}

Result measure(int rounds, readerlink::testing::XKeyReceiver& receiver,
               const std::function<void()>& send, const std::function<void()>& after = {}) {
    Result result;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        send();
        const std::u32string got = receiver.waitFor(Mrz.size() + 1, std::chrono::seconds(5));
        const auto end = Clock::now();
        if (after)
            after();
        result.ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        // Late keys of a wrong round must not spill into the next one.
        const std::u32string rest = receiver.waitFor(SIZE_MAX, std::chrono::milliseconds(50));
        if (got != expected() || !rest.empty())
            ++result.wrongRounds;
    }
    return result;
}

// The floor: the US keycodes of the string, every event in one flush.
void typeDirect(Display* display) {
    const unsigned shift = 50;
    auto tap = [&](unsigned keycode, bool shifted) {
        if (shifted)
            XTestFakeKeyEvent(display, shift, True, CurrentTime);
        XTestFakeKeyEvent(display, keycode, True, CurrentTime);
        XTestFakeKeyEvent(display, keycode, False, CurrentTime);
        if (shifted)
            XTestFakeKeyEvent(display, shift, False, CurrentTime);
    };
    for (char c : Mrz) {
        if (c == '<')
            tap(readerlink::usScanCodeOf(0xBC).code + 8u, true);
        else
            tap(readerlink::usScanCodeOf(static_cast<std::uint8_t>(c)).code + 8u, c >= 'A');
    }
    tap(36, false);
    XFlush(display);
}

void print(const char* name, const Result& r) {
    std::printf("%-28s median %7.2f ms   worst %7.2f ms   wrong rounds %d/%zu\n", name, r.median(),
                r.worst(), r.wrongRounds, r.ms.size());
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 20;
    std::string layouts = "us";
    int lockGroup = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--layouts"))
            layouts = argv[i + 1];
        else if (!std::strcmp(argv[i], "--lock-group"))
            lockGroup = std::atoi(argv[i + 1]);
    }
    if (std::system(("setxkbmap -layout " + layouts).c_str()) != 0)
        return 2;

    readerlink::testing::XKeyReceiver receiver;
    if (lockGroup >= 0) {
        XkbLockGroup(receiver.display(), XkbUseCoreKbd, static_cast<unsigned>(lockGroup));
        XSync(receiver.display(), False);
    }
    std::printf("keymap %s, locked group %d, %d rounds, %zu keys\n", layouts.c_str(),
                std::max(lockGroup, 0), rounds, Mrz.size() + 1);

    Display* direct = XOpenDisplay(nullptr);
    const Result xtest = measure(rounds, receiver, [&] { typeDirect(direct); });

    auto keyboard = readerlink::platform::makeX11KeyboardBackend();
    const std::u16string keys = std::u16string(Mrz.begin(), Mrz.end()) + u"{ENTER}";
    const Result ours =
        measure(rounds, receiver, [&] { readerlink::SendKeys(*keyboard, keys, true); });
    const Result unpumped =
        measure(rounds, receiver, [&] { readerlink::SendKeys(*keyboard, keys, false); });

    pid_t child = 0;
    const std::string text = Mrz + "\r";
    const char* xdotoolArgs[] = {"xdotool", "type", "--delay", "0", text.c_str(), nullptr};
    const Result xdotool = measure(
        rounds, receiver,
        [&] {
            posix_spawnp(&child, "xdotool", nullptr, nullptr, const_cast<char**>(xdotoolArgs),
                         environ);
        },
        [&] { waitpid(child, nullptr, 0); });

    print("plain XTest, one flush", xtest);
    print("readerlink SendKeys", ours);
    print("readerlink, no pumping", unpumped);
    print("xdotool type --delay 0", xdotool);
    std::printf("readerlink / plain XTest (median): %.2fx   xdotool / readerlink (median): %.2fx\n",
                ours.median() / xtest.median(), xdotool.median() / ours.median());
    XCloseDisplay(direct);
    return ours.wrongRounds == 0 ? 0 : 1;
}
