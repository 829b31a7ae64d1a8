// A window with a multi-line EDIT control that takes the focus and keeps what
// it is typed; prints "ready <edit handle>" and runs until closed.
#include <cstdint>
#include <cstdio>
#include <windows.h>

namespace {

HWND g_edit = nullptr;

LRESULT CALLBACK receiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETFOCUS && g_edit != nullptr) {
        ::SetFocus(g_edit);
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int main() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = receiverProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"ReaderlinkEditReceiver";
    ::RegisterClassW(&windowClass);
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"Receiver",
                                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 600, 200,
                                          nullptr, nullptr, instance, nullptr);
    g_edit = ::CreateWindowExW(0, L"EDIT", L"",
                               WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                   ES_AUTOHSCROLL | ES_WANTRETURN,
                               0, 0, 580, 160, window, nullptr, instance, nullptr);
    ::SendMessageW(g_edit, EM_SETLIMITTEXT, 0, 0);
    ::SetForegroundWindow(window);
    ::SetFocus(g_edit);
    std::printf("ready 0x%llx\n",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(g_edit)));
    std::fflush(stdout);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
