#include "LabelRecorder.h"
#include "engine/Reset.h"
#include "engine/RestingTick.h"
#include "engine/SampleTick.h"
#include "platform/Clock.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDesktop.h"
#include "store/DateCheck.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kLeftButton = 1;
constexpr int kShift = 16;
constexpr int kKeyA = 65;
constexpr int kKeyZ = 90;

// One desktop, record and window's labels, ticked either every millisecond or resting.
struct Session {
    StatsRecord r;
    FakeDesktop desktop;
    MainLabels labels;
    LabelRecorder recorder;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(23, 59, 0))};
    SampleTick tick{r, desktop, labels};
    // Each tick the resting tick runs: its millisecond, the record after it, the label writes so
    // far, and whether it ran after a handler of a later millisecond.
    struct Ticked {
        std::int64_t ms;
        bool beforeHandler;
        StatsRecord record;
        std::size_t writes;
    };
    std::vector<Ticked> ticked;
    std::int64_t handlerAt = -1;
    RestingTick resting{[this] {
                            const bool changed = tick();
                            const std::int64_t ms = desktop.sampledAt();
                            ticked.push_back({ms, ms < handlerAt, r, recorder.writes.size()});
                            return changed;
                        },
                        desktop};

    Session() {
        labels.setSink(&recorder);
        r.Units = "English";
        r.ScreenDimX = *Currency::fromInt(12);
        r.ScreenDimY = *Currency::fromInt(9);
        r.LastDate = ShortDateText(clock.moment.date());
        MeasureScreen(r, desktop.screen());
        desktop.setCursor(300, 300);
        desktop.setForeground(11);
    }
};

using Action = std::function<void(Session&)>;
// A desktop's input, or a handler that touches the record.
struct Step {
    Action action;
    bool handler = false;
};

// The recorded sequence: what happens at which millisecond. Each handler comes more than two
// batches after the input or handler before it, which has settled by then.
std::multimap<int, Step> Script() {
    std::multimap<int, Step> s;
    auto at = [&s](int ms, Action action) {
        s.emplace(ms, Step{std::move(action)});
    };
    auto handler = [&s](int ms, Action action) {
        s.emplace(ms, Step{std::move(action), true});
    };
    at(100, [](Session& run) { run.desktop.tap(kKeyA); }); // before arming: consumed, never counted
    at(200, [](Session& run) { run.desktop.press(kLeftButton); }); // held across the arming
    handler(500, [](Session& run) { Timer3_Timer(run.r); });
    at(700, [](Session& run) { run.desktop.release(kLeftButton); });
    at(800, [](Session& run) { run.desktop.tap(kKeyA); }); // press and release between two ticks
    at(900, [](Session& run) { run.desktop.press(kShift); });
    at(950, [](Session& run) { run.desktop.tap(kKeyZ); }); // higher than the held key: remembered
    at(1000, [](Session& run) {
        // Released, pressed and released again between two ticks while held: the state stays
        // Shift on this tick, answered from memory alone, and must become idle on the next.
        run.desktop.release(kShift);
        run.desktop.press(kShift);
        run.desktop.release(kShift);
    });
    at(1200, [](Session& run) { run.desktop.setForeground(12); });
    for (int ms = 1400; ms < 1500; ms += 3) {
        at(ms, [](Session& run) { run.desktop.moveBy(2, 1); });
    }
    handler(1750, [](Session& run) { ResetCounters(run.r, run.labels, "6/12/26 10:00:00"); });
    at(1751, [](Session& run) { run.desktop.moveBy(40, 0); }); // no travel for the jump after Reset
    at(1800, [](Session& run) { run.desktop.moveBy(5, 5); });
    handler(2050, [](Session& run) {
        run.clock.moment = run.clock.moment.addSecs(120); // past midnight
        DateCheck(run.r, run.labels, run.clock);
    });
    handler(2300, [](Session& run) { run.r.Units = "Metric"; });
    at(2350, [](Session& run) { run.desktop.moveBy(-7, 3); });
    handler(2600, [](Session& run) { run.r.ScreenDimX = *Currency::fromInt(24); });
    at(2650, [](Session& run) { run.desktop.moveBy(100, 0); });
    handler(2900, [](Session& run) {
        run.desktop.setScreenPixels(2400, 900);
        MeasureScreen(run.r, run.desktop.screen());
    });
    at(2950, [](Session& run) { run.desktop.moveBy(100, 0); });
    for (int ms = 3000; ms < 3100; ms += 2) {
        at(ms, [](Session& run) { run.desktop.tap(kLeftButton); });
    }
    for (int ms = 3200; ms < 3300; ms += 2) { // into the top left corner, then held there
        at(ms, [](Session& run) { run.desktop.pushBy(-60, -45); });
    }
    for (int ms = 3300; ms < 3400; ms += 5) { // an absolute device: points, no relative motion
        at(ms, [ms](Session& run) { run.desktop.setCursor(ms % 97 * 20, ms % 89 * 10); });
    }
    // Moments without a window below, at, just above and well above the grace, the last for good.
    int ms = 3400;
    for (const int gap : {20, 49, 50, 51, 70, 120, 200, 600}) { // to the window before or the other
        at(ms, [](Session& run) { run.desktop.setForeground(0); });
        at(ms + gap, [ms](Session& run) { run.desktop.setForeground(11 + ms % 2); });
        ms += gap + 10;
    }
    at(ms, [](Session& run) { run.desktop.setForeground(0); });
    return s;
}

constexpr int kEnd = 4800;

} // namespace

// The desktop's events carry stamps: the timer comes every few milliseconds and runs the ticks
// of the stamps taken in; handlers first run the ticks of the input taken in so far.
TEST(RestingTick, BatchesOverStampsCountAndWriteExactlyAsATickEveryMillisecond) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto script = Script();
    Session plain;
    Session batched;
    batched.desktop.stampAt(0);
    std::vector<StatsRecord> plainAfter;
    std::vector<std::size_t> plainWrites;
    int runs = 0;
    for (int ms = 0, nextRun = 0; ms < kEnd + 100; ++ms) {
        batched.desktop.stampAt(ms);
        if (ms == 1750) { // the clicks and windows of the input before Reset
            EXPECT_EQ(plain.r.PendingClicks, 4);
            EXPECT_EQ(plain.r.WindowsTotal, *Currency::fromInt(2));
        }
        const auto [first, last] = script.equal_range(ms);
        for (auto it = first; it != last; ++it) {
            batched.resting.catchUp();
            if (it->second.handler) {
                // The input before it has settled: the record is that of the 1 ms tick.
                ASSERT_EQ(plainAfter.back(), batched.r) << "handler at " << ms;
                batched.handlerAt = ms;
            }
            it->second.action(plain);
            it->second.action(batched);
            batched.resting.touch();
            if (batched.resting.resting()) {
                batched.resting.wake();
                nextRun = ms + RestingTick::kBatchMs;
            }
        }
        plain.desktop.sampleAt(ms);
        plain.tick();
        plainAfter.push_back(plain.r);
        plainWrites.push_back(plain.recorder.writes.size());
        if (!batched.resting.resting() && ms >= nextRun) {
            batched.resting.run();
            nextRun = ms + RestingTick::kBatchMs;
            ++runs;
        }
    }
    EXPECT_TRUE(batched.resting.resting());
    EXPECT_EQ(plainAfter.back(), batched.r);
    EXPECT_EQ(batched.r.WindowsTotal, *Currency::fromInt(13)); // none, one or two a switch, the 0
    EXPECT_EQ(plain.recorder.writes, batched.recorder.writes);
    std::size_t compared = 0;
    for (const auto& tick : batched.ticked) {
        if (!tick.beforeHandler) {
            ASSERT_EQ(plainAfter.at(tick.ms), tick.record) << "at " << tick.ms << " ms";
            ASSERT_EQ(plainWrites.at(tick.ms), tick.writes) << "at " << tick.ms << " ms";
            ++compared;
        }
    }
    EXPECT_GT(compared, batched.ticked.size() * 9 / 10);
    EXPECT_LT(runs, kEnd / 20);
    QLocale::setDefault(QLocale::c());
}

// A desktop that keeps an event pending however far the ticks go (a backend whose source of it
// went away) must not hold the timer's call forever; the first 100000 ticks stand for a hang.
TEST(RestingTick, ACallRunsAtMostABatchPastTheLatestStampWhateverIsPending) {
    struct Stuck : FakeDesktop {
        int ticks = 0;
        std::optional<std::int64_t> pendingTime() const override {
            return ticks < 100000 ? std::optional<std::int64_t>(0) : std::nullopt;
        }
    } desktop;
    desktop.stampAt(0);
    desktop.setCursor(1, 1);
    RestingTick resting([&] { return ++desktop.ticks < 0; }, desktop); // nothing ever changes
    for (int run = 0; run < 3; ++run) {
        resting.run();
    }
    EXPECT_LE(desktop.ticks, 3 * RestingTick::kBatchMs + 1);
}
