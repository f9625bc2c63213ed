// The end of the session on Windows: log-off and shut-down reach every top-level window as
// WM_QUERYENDSESSION, then WM_ENDSESSION; after WM_ENDSESSION returns, the process may end at
// any moment. A hidden top-level window of its own (message-only windows get no broadcasts)
// answers "yes" to the question and emits `received` from within WM_ENDSESSION, so the save
// is done before the message returns, whether the main window was ever created or not.
#include "shell/TerminationSignals.h"

#include <csignal>

#include <windows.h>

namespace {

constexpr wchar_t kWindowClass[] = L"OdovexSessionEnd";

TerminationSignals* g_signals = nullptr;
HWND g_window = nullptr;

} // namespace

struct SessionEndWindow {
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam && g_signals) {
                emit g_signals->received(SIGTERM);
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }
};

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = SessionEndWindow::proc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);
    g_window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, instance, nullptr);
    if (!g_window) {
        qFatal("Odovex: cannot create the window that watches the session's end");
    }
    g_signals = this;
}

TerminationSignals::~TerminationSignals() {
    g_signals = nullptr;
    DestroyWindow(g_window);
    g_window = nullptr;
}
