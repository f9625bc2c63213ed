#include "engine/SampleTick.h"
#include "platform/fake/FakeDesktop.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

// A desktop in use: screen set up, probe armed, one window in front, ticked until settled.
struct Fixture {
    StatsRecord record;
    FakeDesktop desktop;
    MainLabels labels;
    SampleTick tick{record, desktop, labels};

    Fixture() {
        record.Units = QStringLiteral("English");
        record.ScreenDimX = *Currency::fromInt(12);
        record.ScreenDimY = *Currency::fromInt(9);
        MeasureScreen(record, ScreenMetrics::fromPixels(1200, 900));
        record.ProbeArmed = kTrue;
        desktop.setForeground(42);
        desktop.setCursor(600, 450);
        for (int i = 0; i < 3; ++i) {
            tick();
        }
    }
};

void BM_TickIdle(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(f.tick());
    }
}
BENCHMARK(BM_TickIdle);

void BM_TickMove(benchmark::State& state) {
    Fixture f;
    int step = 1;
    for (auto _ : state) {
        step = -step;
        f.desktop.moveBy(3 * step, 4 * step);
        benchmark::DoNotOptimize(f.tick());
    }
}
BENCHMARK(BM_TickMove);

// A press from idle: only the tick that counts the press is timed, not the release after it.
void BM_TickClick(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.desktop.press(1);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(f.tick());
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        f.desktop.release(1);
        f.tick();
    }
}
BENCHMARK(BM_TickClick)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
