#pragma once

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
class RestingTick {
public:
    static constexpr int kQuietTicksBeforeRest = 4;

    RestingTick(SampleTick& tick, DesktopProbe& desktop) : tick_(tick), desktop_(desktop) {}

    // One tick. Returns false when the timer may stop until the next wake().
    bool run();
    void wake() {
        resting_ = false;
        quietTicks_ = 0;
    }
    bool resting() const { return resting_; }

private:
    SampleTick& tick_;
    DesktopProbe& desktop_;
    int quietTicks_ = 0;
    bool resting_ = false;
};
