#include "platform/QtTickTimer.h"

#include <QWinEventNotifier>
#include <cstdio>

#include <windows.h>

#include <timeapi.h>

// Not yet in every SDK's headers (Windows 10, version 1803 and later).
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

constexpr UINT kResolutionMilliseconds = 1;
// SetWaitableTimer's due time: relative, in 100 ns units.
constexpr LONGLONG kDuePerMillisecond = -10'000LL;

// A periodic waitable timer watched by the event loop. The message loop's own timers fire at
// 10 ms at best, so SetTimer cannot give the 1 ms tick. A high-resolution timer ticks at 1 ms
// by itself; an older system's timer needs the system's resolution raised (timeBeginPeriod)
// while it runs, and only then, so that a resting tick lets the processor sleep. Periods
// that passed while the loop was busy give one tick, not a burst: the timer is an auto-reset
// event that is signalled or not.
class WaitableTickTimer : public TickTimer {
public:
    WaitableTickTimer(HANDLE timer, bool highResolution)
        : timer_(timer), highResolution_(highResolution), notifier_(timer) {
        notifier_.setEnabled(false);
        QObject::connect(&notifier_, &QWinEventNotifier::activated, [this] { onTick_(); });
    }
    ~WaitableTickTimer() override {
        stop();
        CloseHandle(timer_);
    }

    // A running timer given another period is set again; the same period goes on undisturbed.
    void start(std::function<void()> onTick, int periodMs) override {
        onTick_ = std::move(onTick);
        if (active_ && periodMs == periodMs_) {
            return;
        }
        if (!active_ && !highResolution_) {
            timeBeginPeriod(kResolutionMilliseconds);
        }
        periodMs_ = periodMs;
        LARGE_INTEGER due{};
        due.QuadPart = kDuePerMillisecond * periodMs;
        SetWaitableTimer(timer_, &due, periodMs, nullptr, nullptr, FALSE);
        notifier_.setEnabled(true);
        active_ = true;
    }
    void stop() override {
        if (!active_) {
            return;
        }
        notifier_.setEnabled(false);
        CancelWaitableTimer(timer_);
        if (!highResolution_) {
            timeEndPeriod(kResolutionMilliseconds);
        }
        active_ = false;
    }
    bool isActive() const override { return active_; }

private:
    HANDLE timer_;
    bool highResolution_;
    bool active_ = false;
    int periodMs_ = 0;
    QWinEventNotifier notifier_;
    std::function<void()> onTick_;
};

} // namespace

std::unique_ptr<TickTimer> CreateTickTimer() {
    if (HANDLE timer =
            CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                   TIMER_MODIFY_STATE | SYNCHRONIZE)) {
        return std::make_unique<WaitableTickTimer>(timer, true);
    }
    if (HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr)) {
        return std::make_unique<WaitableTickTimer>(timer, false);
    }
    std::fprintf(stderr, "Odovex: no waitable timer (error %lu), the tick uses a Qt timer.\n",
                 GetLastError());
    return std::make_unique<QtTickTimer>();
}
