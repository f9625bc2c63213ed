#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class SampleTick;
class DesktopProbe;

// Lets the 1 ms tick stop while nothing can change. A tick that changed nothing, on a desktop
// that holds nothing back (DesktopProbe::mayRest), would be followed by identical ticks until
// something new happens; so after a few such ticks in a row the timer stops, and wake() starts
// it again. The few ticks of grace keep a busy desktop, whose events come a millisecond or two
// apart, ticking steadily instead of stopping and restarting between events. wake() is to be called
// for everything the event loop delivers while resting: a desktop event (the connection became
// readable) and every handler that may touch the record or the labels alike, so that no writer
// can forget it.
//
// On a desktop whose events carry time stamps the timer comes every kBatchMs only, and each
// call runs the ticks of every millisecond up to the latest stamp, each as of its millisecond:
// the same ticks a 1 ms timer would have run, later and in one go. Runs of ticks that change
// nothing are skipped as a rest would skip them. Ticks never run ahead of the input taken in,
// except for the quiet ticks that follow the last input once a call found nothing new; so
// events that come late are rare, and they apply at the next tick. The timer stops only after
// such a call, and a desktop with stamps watches for events again from that call on. Whatever
// the desktop answers, a call runs at most kBatchMs ticks past the latest stamp.
class RestingTick {
public:
    static constexpr int kQuietTicksBeforeRest = 4;
    // The timer's period on a desktop with stamps: ten calls a second while input flows. Each
    // call costs the process and the X server more than its ticks (a wake-up, the sockets read, a
    // query that makes the server write out the motion it holds), so fewer calls cost less; the
    // labels show no more than ten changes a second anyway. A handler sees the record settled
    // as a 1 ms tick leaves it from two periods after the last input on.
    static constexpr int kBatchMs = 100;

    RestingTick(SampleTick& tick, DesktopProbe& desktop);
    // With any tick function, for tests that look at every tick.
    RestingTick(std::function<bool()> tick, DesktopProbe& desktop)
        : tick_(std::move(tick)), desktop_(desktop) {}

    // The timer's call. Returns false when the timer may stop until the next wake().
    bool run();
    // Before anything else the event loop delivers is handled: the ticks of the input taken in
    // so far, and none beyond it. Nothing on a desktop without stamps, whose ticks sample the
    // present anyway.
    void catchUp();
    // A handler may have changed the record: the next tick runs, whatever came before.
    void touch() { quietTicks_ = 0; }
    void wake() {
        resting_ = false;
        quietTicks_ = 0;
    }
    bool resting() const { return resting_; }
    // The timer period the desktop calls for, in milliseconds.
    int periodMs() const;

private:
    bool quiet() const { return quietTicks_ >= kQuietTicksBeforeRest; }
    void tickAt(std::int64_t ms);
    // Ticks each millisecond after the last one ticked up to `horizon`; with `settle`, then
    // on until the ticks turn quiet, at most kBatchMs more in one call.
    void ticksUpTo(std::int64_t horizon, bool settle);

    std::function<bool()> tick_;
    DesktopProbe& desktop_;
    int quietTicks_ = 0;
    bool resting_ = false;
    std::optional<std::int64_t> lastTicked_;
    std::optional<std::int64_t> lastRunHorizon_;
};
