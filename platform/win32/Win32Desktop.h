#pragma once

#include "platform/DesktopProbe.h"
#include "platform/KeyMemory.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// user32's types, declared here so that <windows.h> stays out of the headers Qt code includes.
struct HWND__;
struct HWINEVENTHOOK__;

// The desktop seen through user32. Keys and buttons come from Raw Input (RIDEV_INPUTSINK, so
// also while other programs are in front) on a hidden window of its own, the foreground window
// from the EVENT_SYSTEM_FOREGROUND event, the cursor asked only after raw motion. Where a
// source does not deliver, the probe polls it instead: GetAsyncKeyState for keys when Raw Input
// cannot be registered, GetForegroundWindow on every tick until the first foreground event
// shows that the desktop sends them (Wine 8 sends none, not even for the program's own
// windows). The tick rests only while every source is event-driven.
//
// Every event calls `onEvent` from the message dispatch of the thread that opened the probe,
// before the tick that sees it; the shell uses it to wake a resting tick.
class Win32Desktop final : public DesktopProbe {
public:
    // Null, with one line in `error`, when the hidden window cannot be made.
    static std::unique_ptr<Win32Desktop> open(std::function<void()> onEvent, std::string* error);
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    // GetCursorPos after raw motion; without Raw Input on every call.
    Point cursorPos() override;
    // GetForegroundWindow after a foreground event, and on every call while a 0 is held back;
    // before the first event, on every call.
    WindowHandle foregroundWindow() override;
    bool keyActive(int code) override;
    // From the event cache: key and button events that arrived since the last sweep are taken in
    // order until the answer differs from the last one, the rest on the next sweeps, so that a
    // tick that comes late still sees every change. Without Raw Input, GetAsyncKeyState.
    int pollKeys(bool armed) override;
    // The primary monitor in physical pixels, 15 twips each.
    ScreenMetrics screen() override;
    bool mayRest() const override;

    // Which sources deliver events (for the measurements and the tests).
    bool rawInput() const { return rawInput_; }
    bool foregroundEvents() const { return foregroundEvents_; }

    // Events handled so far, by kind (for the measurements and the tests).
    struct Counts {
        std::uint64_t keys = 0;
        std::uint64_t buttons = 0;
        std::uint64_t motions = 0;
        std::uint64_t foreground = 0;
    };
    const Counts& counts() const { return counts_; }

    // Key and button events wait only while changes come faster than the ticks see them, or
    // while the ticks are held up (a busy machine can stall the timer for a good part of a
    // second); beyond as many as the desktop on X11 holds, the oldest are applied at once.
    static constexpr std::size_t kMaxPendingInput = 256;

private:
    friend struct Win32DesktopEvents;

    explicit Win32Desktop(std::function<void()> onEvent);
    bool init(std::string* error);
    void readStartState();
    void onRawInput(void* handle);
    void onForeground(bool cameForward);
    void queue(int code, bool press);
    int pollAsync(bool armed);
    void settleStuckKey(int answer);

    std::function<void()> onEvent_;
    HWND__* window_ = nullptr;
    HWINEVENTHOOK__* foregroundHook_ = nullptr;
    bool rawInput_ = false;
    bool foregroundEvents_ = false;
    bool foregroundDirty_ = true;
    // The foreground window reported, its grace on GetTickCount64's milliseconds.
    ForegroundGrace grace_;

    // Sources are the virtual-key codes themselves.
    KeyMemory keys_{[](int code) { return code; }, kMaxPendingInput};
    std::uint64_t eventsAtSweep_ = 0;
    std::uint64_t events_ = 0;

    Point cursor_;
    bool moved_ = true;
    Counts counts_;
};
