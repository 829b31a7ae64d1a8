// readerlink-host: the reference host application. A top-level window of the
// class and title the station looks for, printing every record it receives.

#include "record_printer.h"

#include <cstdio>
#include <string_view>
#include <windows.h>

namespace {

using namespace readerlink;

// How long a host started with --no-answer sits on each record: well past any
// sender's bound, so the sender sees no answer.
constexpr DWORD kStallMs = 5000;

host::Options g_options;
long g_received = 0;

void usage(FILE* to) {
    std::fputs("usage: readerlink-host [--hex] [--quiet] [--no-answer] [--count N]\n"
               "  Opens a window of class TBarcodeForm titled BarcodeForm, where the\n"
               "  station looks for its host application, and prints each WM_COPYDATA\n"
               "  record: kind, textLength and the text (Windows-1252).\n"
               "  --hex        also print the whole record as a hex dump\n"
               "  --quiet      print only the listening line and problems\n"
               "  --no-answer  take records but sit on each one (a stuck host)\n"
               "  --count N    exit after N records\n",
               to);
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const long number = ++g_received;
        const std::int64_t answer =
            host::printRequest(number, static_cast<std::uint64_t>(wParam),
                               static_cast<std::uint64_t>(data->dwData), data->cbData,
                               {static_cast<const std::uint8_t*>(data->lpData),
                                static_cast<std::size_t>(data->cbData)},
                               g_options);
        if (g_options.count > 0 && g_received >= g_options.count)
            ::PostQuitMessage(0);
        if (g_options.noAnswer) {
            ::Sleep(kStallMs);
            return 0;
        }
        return static_cast<LRESULT>(answer);
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int run() {
    if (::FindWindowW(L"TBarcodeForm", L"BarcodeForm") != nullptr) {
        std::fprintf(stderr, "readerlink-host: another host application is already running\n");
        return 1;
    }
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"TBarcodeForm";
    if (::RegisterClassW(&windowClass) == 0) {
        std::fprintf(stderr, "readerlink-host: cannot register the window class (error %lu)\n",
                     ::GetLastError());
        return 1;
    }
    const HWND window =
        ::CreateWindowExW(0, L"TBarcodeForm", L"BarcodeForm", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 320, 120, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "readerlink-host: cannot create the window (error %lu)\n",
                     ::GetLastError());
        return 1;
    }
    std::printf("listening as window 0x%llx\n",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    std::fflush(stdout);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        usage(stdout);
        return 0;
    }
    if (!host::parseOptions(argc, argv, g_options)) {
        usage(stderr);
        return 2;
    }
    return run();
}
