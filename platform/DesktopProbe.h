#pragma once

#include "DesktopTypes.h"

#include <cstdint>
#include <functional>
#include <optional>

// The screen as the forms layer describes it: its size in twips (1/1440 inch) and the twips
// per pixel each way (15 at 96 dots per inch); and its physical size as the monitor reports it,
// in millimetres, 0 when unknown.
struct ScreenMetrics {
    double widthTwips = 0;
    double heightTwips = 0;
    double twipsPerPixelX = 0;
    double twipsPerPixelY = 0;
    int widthMm = 0;
    int heightMm = 0;

    static ScreenMetrics fromPixels(int width, int height, double twipsPerPixel = 15.0) {
        return {width * twipsPerPixel, height * twipsPerPixel, twipsPerPixel, twipsPerPixel, 0, 0};
    }
};

// The rule for the foreground window that DesktopProbe::foregroundWindow() reports: a 0 that
// follows a window is held back until it has lasted DesktopProbe::kNoForegroundGraceMs on the
// clock the backend gives, in milliseconds: the time of the millisecond its ticks sample, or the
// present where they sample the present. A window, or a 0 after a 0, is reported at once.
class ForegroundGrace {
public:
    static constexpr int kGraceMs = 50;

    // The window seen as of `now`; returns what to report.
    WindowHandle see(WindowHandle window, std::int64_t now) {
        if (window != 0 || reported_ == 0) {
            set(window);
        } else if (!noneSince_) {
            noneSince_ = now;
        } else if (now - *noneSince_ >= kGraceMs) {
            set(0);
        }
        return reported_;
    }
    // Reported at once, without grace (a source that has none).
    void set(WindowHandle window) {
        reported_ = window;
        noneSince_.reset();
    }
    WindowHandle reported() const { return reported_; }
    // A 0 is being held back: the report may change with time alone.
    bool holding() const { return noneSince_.has_value(); }

private:
    WindowHandle reported_ = 0;
    std::optional<std::int64_t> noneSince_;
};

// What the sampling tick sees of the desktop. The tick calls these a thousand times a second,
// so a backend answers from a cache kept current by desktop events wherever it can.
class DesktopProbe {
public:
    virtual ~DesktopProbe() = default;

    // The cursor position in screen pixels.
    virtual Point cursorPos() = 0;
    // The foreground window, 0 when there is none; the same window always gives the same value.
    // Desktops show no foreground window for a moment while one window hands over to another
    // (window managers write None first; Windows, and Wine between processes, has no foreground
    // window until the new one activates): a 0 that follows a window is reported only once it has
    // lasted kNoForegroundGraceMs (ForegroundGrace), so one switch is one change.
    virtual WindowHandle foregroundWindow() = 0;
    static constexpr int kNoForegroundGraceMs = ForegroundGrace::kGraceMs;
    // Key state by code, 0 to 255 (mouse buttons and keys alike): true when the code is down or
    // was pressed since it was last queried. Querying clears the "pressed since" memory.
    virtual bool keyActive(int code) = 0;
    // The input probe's sweep: queries codes 0, 1, 2 ... in ascending order. When armed, stops
    // at the first active code and returns it; the codes above it are not queried, so their
    // "pressed since" memory stays. Returns 256 when no code answered, and always 256 when not
    // armed, after querying (and so clearing) all 256 codes. Backends override this with an
    // equivalent that does not make 256 calls.
    virtual int pollKeys(bool armed) {
        for (int code = 0; code < 256; ++code) {
            if (keyActive(code) && armed) {
                return code;
            }
        }
        return kProbeSweepDone;
    }
    // The primary monitor (see ChoosePrimaryMonitor), its size in device pixels: cursor
    // positions are device pixels, so travel needs the pixel count the monitor shows, never one
    // derived from the desktop's font resolution or scaling.
    virtual ScreenMetrics screen() = 0;

    // A desktop whose input events carry its own time stamps (milliseconds) lets the ticks run
    // in batches, each as of one millisecond, where the others are sampled as they come.
    // inputTime() takes in what the desktop has sent and returns the latest stamp seen so far;
    // nullopt on a desktop without stamps, whose every tick samples the present.
    virtual std::optional<std::int64_t> inputTime() { return std::nullopt; }
    // The stamp of the earliest event taken in and not yet applied, if any.
    virtual std::optional<std::int64_t> pendingTime() const { return std::nullopt; }
    // Applies the events stamped up to `ms`, so that the next tick answers as of that
    // millisecond. An event that came in after its millisecond was ticked applies at the next.
    virtual void sampleAt(std::int64_t ms) { (void)ms; }
    // The timer's call has run its batch of ticks. Reads of inputTime() also come between
    // batches (the ticks a handler needs first): a backend that judges from the batches whether
    // input still flows counts these calls alone.
    virtual void endBatch() {}

    // True when a tick that found nothing changed may be the last one until the desktop reports
    // something: nothing the probe knows is waiting to be seen (no "pressed since" memory below
    // or at the last answer, no pending change it holds back) and the backend wakes the event
    // loop on every change. A backend that must poll answers false, and the tick never rests.
    // Events stamped later than the last sampled millisecond do not keep it from resting.
    virtual bool mayRest() const { return false; }

    // Runs `handler` once, later on the event loop, when the desktop is gone for good (the X
    // connection broke). The probes then keep answering what they saw last, so the program can
    // save and end in its own time. A desktop that cannot go away ignores it.
    virtual void setLostHandler(std::function<void()> handler) { (void)handler; }

    // Runs `handler` later on the event loop whenever screen() may answer something new
    // (monitors plugged, unplugged, rearranged, a resolution changed). A desktop that cannot
    // tell ignores it; its screen is then measured by the form timer alone.
    virtual void setScreenHandler(std::function<void()> handler) { (void)handler; }
};
