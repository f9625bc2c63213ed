#pragma once

#include "platform/DesktopTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>

// The memory of keys and buttons that the input probe's sweeps answer from, fed with a
// backend's key and button events. Events name sources, the backend's own numbers below 512
// (keycodes, buttons); codeOf gives a source's virtual-key code, negative for none. Several
// sources may share a code, which is down while any of them is. Beside what is down, each code
// remembers a press since it was last queried, as GetAsyncKeyState does.
//
// Events wait here, in order, each with a stamp, until it is due (no later than the millisecond
// the caller names) and while changes come faster than the sweeps see them. They name keys, so
// the wait is kept short: beyond maxPending events the oldest is applied at once, merging
// changes that only machine-made input produces.
class KeyMemory {
public:
    static constexpr std::int64_t kAllDue = std::numeric_limits<std::int64_t>::max();

    KeyMemory(int (*codeOf)(int source), std::size_t maxPending)
        : codeOf_(codeOf), maxPending_(maxPending) {}

    void queue(int source, bool press, std::int64_t stamp = 0);
    // Sets a source's state at once, out of the queue's order and without a press.
    void setDown(int source, bool down);
    bool down(int code) const;
    // Whether an event stamped up to `upTo` waits.
    bool due(std::int64_t upTo = kAllDue) const {
        return !pending_.empty() && pending_.front().stamp <= upTo;
    }
    std::optional<std::int64_t> firstStamp() const;
    // The lowest code down or pressed since its last query; kProbeSweepDone when none is.
    int lowestActive() const;

    // A sweep in two steps. The first takes in the events due: armed, one at a time while the
    // answer stays the last sweep's, so that a sweep that comes late still sees every change, one
    // per sweep, where one look at the end state would miss a release and a press of the same
    // key; unarmed, all of them. It returns the answer, which the second step records: the sweep
    // queried every code up to it, and so cleared their memory.
    int sweep(bool armed, std::int64_t upTo = kAllDue);
    int endSweep(int answer);
    // Whether the last answer came from a press remembered rather than a code still down.
    bool answeredFromMemory() const { return answeredFromMemory_; }

    // Whether `code` is down or was pressed since its last query, after the events due.
    bool keyActive(int code, std::int64_t upTo = kAllDue);

private:
    struct Input {
        std::int64_t stamp;
        std::uint16_t source;
        bool press;
    };
    void applyFirst();

    int (*codeOf_)(int source);
    std::size_t maxPending_;
    std::array<std::uint64_t, 8> sourceDown_{};
    std::array<std::uint64_t, 4> down_{};
    std::array<std::uint64_t, 4> pressedSince_{};
    std::deque<Input> pending_;
    int lastAnswer_ = kProbeSweepDone;
    bool answeredFromMemory_ = false;
};
