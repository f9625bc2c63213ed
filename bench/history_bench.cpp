// Ten years of history read from its file and shown in the History window, on Qt's offscreen
// platform.
#include "history/BarChart.h"
#include "history/frmHistory.h"
#include "store/History.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kDays = 3650;
const QDate kToday(2026, 12, 6);

// A directory holding a history of ten years, a row every day.
struct TenYears {
    QTemporaryDir dir;
    TenYears() {
        std::vector<HistoryRow> rows;
        for (int day = kDays - 1; day >= 0; --day) {
            rows.push_back({kToday.addDays(-day), *Currency::fromInt(1000 + day % 977),
                            *Currency::fromInt(50 + day % 37),
                            *Currency::fromDouble(12345.6789 + day)});
        }
        QFile file(dir.filePath(kHistoryFileName));
        if (!file.open(QIODevice::WriteOnly) || file.write(HistoryBytes(rows)) < 0) {
            std::abort();
        }
    }
};

// Reads the file, opens the window on its default 30 days and paints the chart.
QPixmap LoadAndChart(const TenYears& data, Period period) {
    DayHistory history;
    history.load(data.dir.path(), QDateTime::currentDateTime());
    frmHistory window([&history] {
        return HistoryView{history.rows(), kToday, UnitSystem::English};
    });
    window.cboPeriod->setCurrentIndex(static_cast<int>(period));
    window.show();
    return window.chart->grab();
}

void BM_LoadAndChart30Days(benchmark::State& state) {
    const TenYears data;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadAndChart(data, Period::Days30));
    }
}
BENCHMARK(BM_LoadAndChart30Days)->Unit(benchmark::kMillisecond);

// The same, then every day kept (121 months) drawn as well.
void BM_LoadAndChartEveryDay(benchmark::State& state) {
    const TenYears data;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadAndChart(data, Period::All));
    }
}
BENCHMARK(BM_LoadAndChartEveryDay)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        // The first History window of a run: the program has shown its main window by then (the
        // fonts are loaded), but the chart's first use is still to come.
        QLabel shown(QStringLiteral("Odovex"));
        shown.show();
        shown.grab();
        const TenYears data;
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        LoadAndChart(data, Period::Days30);
        std::printf("first load and chart of a run: %.1f ms, CPU %.1f ms\n",
                    static_cast<double>(timer.nsecsElapsed()) / 1e6,
                    1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
