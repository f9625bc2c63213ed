// Drives the Windows desktop (Wine on the test rig) for the end-to-end tests. One command a line
// on standard input, each answered by one line: "ok" and its values, or "error: ..." and exit 1.
//   window X Y            a 200 x 150 window of its own at X,Y; answers its handle
//   activate H            makes H the foreground window and waits until it has the focus
//   find TITLE            the visible top-level windows titled TITLE, of any process
//   topmost H             1 when H is topmost
//   click N HZ HOLD_US    N left clicks, one every 1/HZ s, held HOLD_US (0: one SendInput call)
//   tap VK N HZ HOLD_US   the same with virtual key VK
//   keys VK...            presses the keys in order, releases them in reverse, in one call:
//                         all go to the window that has the focus when they are sent
//   line X Y STEP HZ      straight motion to X,Y in steps of at most STEP pixels, HZ steps a
//                         second; answers where the cursor is
//   queryend H            a cancelled log-off: every top-level window of H's process is asked
//                         whether the session may end, then told that it does not
//   endsession H          a log-off: asked, then told that it ends
//   link NAME             target and working directory (tab-separated) of the shell link NAME in
//                         the user's Start-up folder, or "none"
//   sleep MS              waits, handling its windows' messages
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::printf("error: %s\n", what.c_str());
    std::exit(1);
}

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64();; now = GetTickCount64()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(end - now), QS_ALLINPUT);
    }
}

void Send(std::vector<INPUT> inputs) {
    if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
        Fail("SendInput refused the input");
    }
}

INPUT Mouse(DWORD flags, LONG x = 0, LONG y = 0) {
    INPUT input{INPUT_MOUSE, {}};
    input.mi = {x, y, 0, flags, 0, 0};
    return input;
}

INPUT Key(int vk, bool up) {
    INPUT input{INPUT_KEYBOARD, {}};
    input.ki.wVk = WORD(vk);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// `count` presses and releases, one every 1/hz s, each held holdUs.
void Repeat(INPUT press, INPUT release, int count, int hz, int holdUs) {
    const ULONGLONG start = GetTickCount64();
    const auto waitUntil = [start](double ms) {
        const auto due = start + ULONGLONG(ms);
        Pump(due > GetTickCount64() ? DWORD(due - GetTickCount64()) : 0);
    };
    for (int i = 0; i < count; ++i) {
        waitUntil(1000.0 * i / hz);
        if (holdUs == 0) {
            Send({press, release});
        } else {
            Send({press});
            waitUntil(1000.0 * i / hz + holdUs / 1000.0);
            Send({release});
        }
    }
    waitUntil(1000.0 * count / hz);
}

POINT MoveTo(LONG x, LONG y) {
    // Normalised coordinates: pixel p of a screen w wide is p * 65536 / w, rounded up.
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    Send({Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65536 + width - 1) / width,
                (y * 65536 + height - 1) / height)});
    POINT at{};
    GetCursorPos(&at);
    return at;
}

HWND Window(std::istream& in) {
    unsigned long long handle = 0;
    in >> handle;
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
}

std::string Number(HWND window) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (; *text; ++text) {
        out += *text < 128 ? char(*text) : '?';
    }
    return out;
}

// The top-level windows of process `pid`, or without one the visible ones titled `title`.
std::vector<HWND> Windows(DWORD pid, const std::string& title) {
    struct Search {
        DWORD pid;
        std::string title;
        std::vector<HWND> found;
    } search{pid, title, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(context);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            // Without a message to the window, which may be busy or hung.
            wchar_t title[256] = {};
            InternalGetWindowText(window, title, 256);
            if (search.pid ? pid == search.pid
                           : IsWindowVisible(window) && Narrow(title) == search.title) {
                search.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// In front and with the keyboard focus, which the window's thread takes only when it handles
// its activation (keys before that go nowhere).
bool Focused(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetForegroundWindow() == window &&
           GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
           info.hwndFocus == window;
}

std::string EndSession(HWND of, bool ends) {
    DWORD pid = 0;
    GetWindowThreadProcessId(of, &pid);
    const std::vector<HWND> windows = Windows(pid, {});
    bool agreed = true;
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                            &answer);
        agreed = agreed && answer;
    }
    for (HWND window : windows) {
        SendMessageTimeoutW(window, WM_ENDSESSION, ends && agreed, ENDSESSION_LOGOFF, SMTO_NORMAL,
                            5000, nullptr);
    }
    return agreed ? std::to_string(windows.size()) : "refused";
}

std::string Link(const std::string& name) {
    PWSTR folder = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder))) {
        Fail("no Start-up folder");
    }
    const std::wstring path = std::wstring(folder) + L"\\" + std::wstring(name.begin(), name.end());
    CoTaskMemFree(folder);
    // Odovex may be writing or deleting the link while it is read: read again for a while.
    for (int attempt = 0; attempt < 40; ++attempt, Sleep(50)) {
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return "none";
        }
        IShellLinkW* link = nullptr;
        IPersistFile* file = nullptr;
        wchar_t target[MAX_PATH] = {};
        wchar_t directory[MAX_PATH] = {};
        const bool read =
            SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(&link))) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetWorkingDirectory(directory, MAX_PATH));
        for (IUnknown* object : {static_cast<IUnknown*>(file), static_cast<IUnknown*>(link)}) {
            if (object) {
                object->Release();
            }
        }
        if (read) {
            return Narrow(target) + "\t" + Narrow(directory);
        }
    }
    Fail("cannot read the link " + name);
}

std::string Run(std::istringstream& in, const std::string& command) {
    int a = 0, b = 0, c = 0, d = 0;
    if (command == "window" && in >> a >> b) {
        const HWND window = CreateWindowExW(0, L"OdovexTestWindow", L"Test window",
                                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, a, b, 200, 150,
                                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        Pump(50);
        return Number(window);
    }
    if (command == "activate") {
        const HWND window = Window(in);
        for (int attempt = 0; attempt < 200 && !Focused(window); ++attempt) {
            if (GetForegroundWindow() != window) {
                SetForegroundWindow(window);
            }
            Pump(50);
        }
        if (!Focused(window)) {
            Fail("the window did not come to the foreground");
        }
        // Twice through the window's loop: what it queued on activation goes before any keys.
        for (int round = 0; round < 2; ++round) {
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
        }
        return {};
    }
    if (command == "find") {
        std::string title, list;
        std::getline(in >> std::ws, title);
        for (HWND window : Windows(0, title)) {
            list += (list.empty() ? "" : " ") + Number(window);
        }
        return list;
    }
    if (command == "topmost") {
        return (GetWindowLongPtrW(Window(in), GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0";
    }
    if (command == "click" && in >> a >> b >> c) {
        Repeat(Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP), a, b, c);
        return {};
    }
    if (command == "tap" && in >> a >> b >> c >> d) {
        Repeat(Key(a, false), Key(a, true), b, c, d);
        return {};
    }
    if (command == "keys") {
        std::vector<INPUT> inputs;
        for (std::size_t pressed = 0; in >> a; ++pressed) {
            inputs.insert(inputs.begin() + std::ptrdiff_t(pressed), Key(a, false));
            inputs.insert(inputs.begin() + std::ptrdiff_t(pressed) + 1, Key(a, true));
        }
        Send(inputs);
        return {};
    }
    if (command == "line" && in >> a >> b >> c >> d) {
        POINT from{}, at{};
        GetCursorPos(&from);
        const int steps = std::max(
            {1L, (std::labs(a - from.x) + c - 1) / c, (std::labs(b - from.y) + c - 1) / c});
        for (int i = 1; i <= steps; ++i) {
            at = MoveTo(from.x + (a - from.x) * i / steps, from.y + (b - from.y) * i / steps);
            Pump(1000 / d);
        }
        return std::to_string(at.x) + " " + std::to_string(at.y);
    }
    if (command == "queryend" || command == "endsession") {
        return EndSession(Window(in), command == "endsession");
    }
    if (command == "link") {
        std::string name;
        std::getline(in >> std::ws, name);
        return Link(name);
    }
    if (command == "sleep" && in >> a) {
        Pump(DWORD(a));
        return {};
    }
    Fail("bad command: " + in.str());
}

} // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"OdovexTestWindow";
    RegisterClassW(&windowClass);
    // A thread of its own reads the commands, so that the windows answer their messages (the
    // session's end among them) meanwhile. Each line comes as a message to this thread, which
    // has a queue from here on; the next only after the answer, never while a command runs.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    std::thread([thread = GetCurrentThreadId()] {
        for (std::string line; std::getline(std::cin, line);) {
            PostThreadMessageW(thread, WM_APP, 0, reinterpret_cast<LPARAM>(new std::string(line)));
        }
        PostThreadMessageW(thread, WM_QUIT, 0, 0);
    }).detach();
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message != WM_APP) {
            DispatchMessageW(&message);
            continue;
        }
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(message.lParam));
        std::istringstream in(*line);
        std::string command;
        if (in >> command) {
            const std::string answer = Run(in, command);
            std::printf("ok%s%s\n", answer.empty() ? "" : " ", answer.c_str());
            std::fflush(stdout);
        }
    }
    return 0;
}
