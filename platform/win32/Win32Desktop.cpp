#include "Win32Desktop.h"

#include <windows.h>

// Key and button state: what the input probe's sweeps see.

namespace {

constexpr wchar_t kWindowClass[] = L"OdovexDesktopProbe";
// Raw Input's usage page and usages of the generic desktop controls.
constexpr USHORT kGenericDesktop = 0x01;
constexpr USHORT kMouse = 0x02;
constexpr USHORT kKeyboard = 0x06;
// The scan codes of the shift keys that keyboards send around other keys ("fake shifts", with
// the E0 prefix): no key of their own.
constexpr USHORT kFakeLeftShift = 0x2A;
constexpr USHORT kFakeRightShift = 0x36;

// The sided modifier codes and the code every key of the pair also sets: a tap of Shift is one
// press, as Raw Input reports it.
bool IsSidedModifier(int code) {
    return code >= VK_LSHIFT && code <= VK_RMENU;
}
int GenericCode(int code) {
    return IsSidedModifier(code) ? VK_SHIFT + (code - VK_LSHIFT) / 2 : code;
}

// Raw button flags (down, up) and the virtual-key code of each button; the wheel has none.
struct ButtonFlags {
    USHORT down;
    USHORT up;
    int code;
};
constexpr ButtonFlags kButtons[] = {
    {RI_MOUSE_LEFT_BUTTON_DOWN, RI_MOUSE_LEFT_BUTTON_UP, VK_LBUTTON},
    {RI_MOUSE_RIGHT_BUTTON_DOWN, RI_MOUSE_RIGHT_BUTTON_UP, VK_RBUTTON},
    {RI_MOUSE_MIDDLE_BUTTON_DOWN, RI_MOUSE_MIDDLE_BUTTON_UP, VK_MBUTTON},
    {RI_MOUSE_BUTTON_4_DOWN, RI_MOUSE_BUTTON_4_UP, VK_XBUTTON1},
    {RI_MOUSE_BUTTON_5_DOWN, RI_MOUSE_BUTTON_5_UP, VK_XBUTTON2},
};

WindowHandle HandleOf(HWND window) {
    // User handles carry 32 significant bits on 64-bit Windows too.
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// The one probe that a foreground event reaches: WinEvent callbacks carry no context.
Win32Desktop* g_foregroundProbe = nullptr;

} // namespace

struct Win32DesktopEvents {
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INPUT) {
            if (auto* probe =
                    reinterpret_cast<Win32Desktop*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
                probe->onRawInput(reinterpret_cast<void*>(lParam));
            }
        }
        // WM_INPUT too: DefWindowProc frees the input's buffer.
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static void CALLBACK foreground(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD) {
        if (g_foregroundProbe) {
            g_foregroundProbe->onForeground(event == EVENT_SYSTEM_FOREGROUND);
        }
    }
};

std::unique_ptr<Win32Desktop> Win32Desktop::open(std::function<void()> onEvent,
                                                 std::string* error) {
    std::unique_ptr<Win32Desktop> desktop(new Win32Desktop(std::move(onEvent)));
    if (!desktop->init(error)) {
        return nullptr;
    }
    return desktop;
}

Win32Desktop::Win32Desktop(std::function<void()> onEvent) : onEvent_(std::move(onEvent)) {}

Win32Desktop::~Win32Desktop() {
    if (foregroundHook_) {
        UnhookWinEvent(foregroundHook_);
    }
    if (g_foregroundProbe == this) {
        g_foregroundProbe = nullptr;
    }
    if (window_) {
        RAWINPUTDEVICE devices[2] = {{kGenericDesktop, kMouse, RIDEV_REMOVE, nullptr},
                                     {kGenericDesktop, kKeyboard, RIDEV_REMOVE, nullptr}};
        RegisterRawInputDevices(devices, 2, sizeof devices[0]);
        DestroyWindow(window_);
    }
}

bool Win32Desktop::init(std::string* error) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Win32DesktopEvents::windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass); // fails harmlessly when a second probe registers it again
    // A message-only window: raw input reaches it, broadcasts and the taskbar do not.
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
    if (!window_) {
        if (error) {
            *error = "Odovex: cannot create the window that watches the input (error " +
                     std::to_string(GetLastError()) + ").";
        }
        return false;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // Register first, then read the state: a change in between is then also seen as an event.
    RAWINPUTDEVICE devices[2] = {{kGenericDesktop, kMouse, RIDEV_INPUTSINK, window_},
                                 {kGenericDesktop, kKeyboard, RIDEV_INPUTSINK, window_}};
    rawInput_ = RegisterRawInputDevices(devices, 2, sizeof devices[0]) != FALSE;
    if (!g_foregroundProbe) {
        g_foregroundProbe = this;
        foregroundHook_ =
            SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_DESKTOPSWITCH, nullptr,
                            Win32DesktopEvents::foreground, 0, 0, WINEVENT_OUTOFCONTEXT);
    }
    readStartState();
    return true;
}

void Win32Desktop::readStartState() {
    for (int code = 1; code < 256; ++code) {
        if (!IsSidedModifier(code) && (GetAsyncKeyState(code) & 0x8000) != 0) {
            keys_.setDown(code, true);
        }
    }
}

void Win32Desktop::onRawInput(void* handle) {
    RAWINPUT input{};
    UINT size = sizeof input;
    if (GetRawInputData(static_cast<HRAWINPUT>(handle), RID_INPUT, &input, &size,
                        sizeof(RAWINPUTHEADER)) == static_cast<UINT>(-1)) {
        return;
    }
    if (input.header.dwType == RIM_TYPEKEYBOARD) {
        const RAWKEYBOARD& key = input.data.keyboard;
        const bool fakeShift = (key.Flags & RI_KEY_E0) != 0 &&
                               (key.MakeCode == kFakeLeftShift || key.MakeCode == kFakeRightShift);
        // 0xFF: a key with no virtual key, or the first half of a two-code sequence (Pause).
        if (fakeShift || key.VKey == 0 || key.VKey >= 0xFF) {
            return;
        }
        ++counts_.keys;
        queue(GenericCode(key.VKey), (key.Flags & RI_KEY_BREAK) == 0);
    } else if (input.header.dwType == RIM_TYPEMOUSE) {
        const RAWMOUSE& mouse = input.data.mouse;
        // The wheel's flags carry no button: never counted.
        for (const ButtonFlags& button : kButtons) {
            if (mouse.usButtonFlags & button.down) {
                ++counts_.buttons;
                queue(button.code, true);
            }
            if (mouse.usButtonFlags & button.up) {
                queue(button.code, false);
            }
        }
        if (mouse.lLastX != 0 || mouse.lLastY != 0 || (mouse.usFlags & MOUSE_MOVE_ABSOLUTE)) {
            ++counts_.motions;
            ++events_;
            moved_ = true;
        }
    } else {
        return;
    }
    if (onEvent_) {
        onEvent_();
    }
}

// A window that comes forward sends EVENT_SYSTEM_FOREGROUND; one that leaves no foreground
// window behind sends none, but its minimising, the switch to the secure desktop (a lock, a
// consent prompt) and the other system events around such moments make the probe look again.
void Win32Desktop::onForeground(bool cameForward) {
    ++counts_.foreground;
    ++events_;
    foregroundEvents_ = foregroundEvents_ || cameForward;
    foregroundDirty_ = true;
    if (onEvent_) {
        onEvent_();
    }
}

void Win32Desktop::queue(int code, bool press) {
    ++events_;
    keys_.queue(code, press);
}

int Win32Desktop::pollKeys(bool armed) {
    if (!rawInput_) {
        return pollAsync(armed);
    }
    const bool quiet = events_ == eventsAtSweep_;
    eventsAtSweep_ = events_;
    int answer = keys_.sweep(armed);
    if (quiet && !keys_.due()) {
        settleStuckKey(answer);
        answer = armed ? keys_.lowestActive() : kProbeSweepDone;
    }
    return keys_.endSweep(answer);
}

// A release that never came (the secure desktop of Ctrl+Alt+Del or of a lock takes the input
// while keys are down) would hold the lowest code down for good and hide every key above it:
// a code that has been down through a sweep without events is checked against the system's
// own state, one call, only while it is the answer.
void Win32Desktop::settleStuckKey(int answer) {
    if (answer != kProbeSweepDone && keys_.down(answer) &&
        (GetAsyncKeyState(answer) & 0x8000) == 0) {
        keys_.setDown(answer, false);
    }
}

// Without Raw Input: GetAsyncKeyState, whose lowest bit is the "pressed since" memory. The
// sided modifier codes are left out: they follow the generic ones, and a sweep that stops at
// Shift would find Left Shift's memory after the release and count the tap twice.
int Win32Desktop::pollAsync(bool armed) {
    for (int code = 0; code < 256; ++code) {
        if (!IsSidedModifier(code) && GetAsyncKeyState(code) != 0 && armed) {
            return code;
        }
    }
    return kProbeSweepDone;
}

bool Win32Desktop::keyActive(int code) {
    if (!rawInput_) {
        return !IsSidedModifier(code) && GetAsyncKeyState(code) != 0;
    }
    return keys_.keyActive(code);
}

Point Win32Desktop::cursorPos() {
    if (moved_ || !rawInput_) {
        moved_ = false;
        POINT at{};
        if (GetCursorPos(&at)) {
            cursor_ = {at.x, at.y};
        }
    }
    return cursor_;
}

WindowHandle Win32Desktop::foregroundWindow() {
    if (!foregroundDirty_ && foregroundEvents_ && !grace_.holding()) {
        return grace_.reported();
    }
    foregroundDirty_ = false;
    return grace_.see(HandleOf(GetForegroundWindow()), static_cast<std::int64_t>(GetTickCount64()));
}

ScreenMetrics Win32Desktop::screen() {
    // The process is per-monitor aware (its manifest): the primary monitor's physical pixels, the
    // ones cursor positions count in. Travel needs their number alone, so they go over at 15
    // twips each whatever the monitor's scaling (1440 / 192 dots per inch would be 7.5, which the
    // record's whole twips per pixel cannot hold).
    return ScreenMetrics::fromPixels(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool Win32Desktop::mayRest() const {
    return rawInput_ && foregroundEvents_ && !foregroundDirty_ && !grace_.holding() && !moved_ &&
           !keys_.due() && !keys_.answeredFromMemory() && events_ == eventsAtSweep_;
}
