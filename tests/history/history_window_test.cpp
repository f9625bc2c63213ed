#include "history/BarChart.h"
#include "history/frmHistory.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

HistoryRow Row(QDate date, double clicks, double windows, double inches) {
    return {date, *Currency::fromDouble(clicks), *Currency::fromDouble(windows),
            *Currency::fromDouble(inches)};
}

// Today is Sunday 2026-12-06; the 30 days begin on 2026-11-07, the 26 weeks on Monday
// 2026-06-08, the 12 months on 2026-01-01.
const QDate kToday(2026, 12, 6);

struct Window : ::testing::Test {
    UnitSystem units = UnitSystem::English;
    std::vector<HistoryRow> rows{Row({2025, 12, 31}, 7, 0, 0), Row({2026, 11, 6}, 100, 0, 0),
                                 Row({2026, 11, 7}, 3, 0, 0), Row({2026, 12, 1}, 5, 1, 24),
                                 Row(kToday, 10, 2, 120)};
    frmHistory window{[this] {
        return HistoryView{rows, kToday, units};
    }};

    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
    const std::vector<double>& bars() const { return window.chart->values(); }
    void choose(Period period, Statistic statistic) {
        window.cboPeriod->setCurrentIndex(static_cast<int>(period));
        window.cboStatistic->setCurrentIndex(static_cast<int>(statistic));
    }
};

} // namespace

TEST_F(Window, ShowsThePeriodsBarsAndSummaryInTheChosenUnits) {
    // Each case: the bars' count, some bars' values, the total, the last bar's text and the
    // daily average, over the days from the first kept on.
    const auto expect = [&](Period period, Statistic statistic, UnitSystem unit, int count,
                            std::vector<std::pair<int, double>> values, const char* total,
                            const char* last, const char* average) {
        units = unit;
        window.refresh();
        choose(period, statistic);
        const std::string what =
            (window.cboPeriod->currentText() + " " + window.cboStatistic->currentText())
                .toStdString();
        ASSERT_EQ(bars().size(), static_cast<size_t>(count)) << what;
        for (auto [bar, value] : values) {
            EXPECT_NEAR(bars()[bar], value, 1e-9) << what << " bar " << bar;
        }
        EXPECT_EQ(window.lblTotal->text(), total) << what;
        EXPECT_EQ(window.barText(count - 1), last) << what;
        EXPECT_EQ(window.lblAverage->text(), QStringLiteral("Daily average: ") + average) << what;
    };
    using P = Period;
    using S = Statistic;
    const UnitSystem inches = UnitSystem::English;
    expect(P::Days30, S::Clicks, inches, 30, {{0, 3}, {24, 5}, {28, 0}, {29, 10}}, "Total: 18",
           "2026-12-06: 10", "0.6");
    expect(P::Weeks26, S::Clicks, inches, 26, {{21, 103}, {22, 0}, {25, 15}}, "Total: 118",
           "Week of 2026-11-30: 15", "0.6");
    expect(P::Months12, S::Windows, inches, 12, {{10, 0}, {11, 3}}, "Total: 3", "2026-12: 3",
           "0.0");
    expect(P::All, S::Clicks, inches, 13, {{0, 7}, {11, 103}, {12, 15}}, "Total: 125",
           "2026-12: 15", "0.4");
    expect(P::Days30, S::Travel, inches, 30, {{24, 2}, {29, 10}}, "Total: 12.00 Feet",
           "2026-12-06: 10.00 Feet", "0.40 Feet");
    expect(P::Days30, S::Travel, UnitSystem::Metric, 30, {{29, 120 / 39.3701}},
           "Total: 3.66 Meters", "2026-12-06: 3.05 Meters", "0.12 Meters");
    choose(Period::Days30, Statistic::Clicks);
    EXPECT_EQ(window.lblBest->text(), "Best day: 2026-12-06, 10");
    rows.erase(rows.begin(), rows.begin() + 3); // kept from 2026-12-01 on: 6 days
    expect(P::Weeks26, S::Clicks, inches, 26, {{25, 15}}, "Total: 15", "Week of 2026-11-30: 15",
           "2.5");
    expect(P::Months12, S::Travel, inches, 12, {{11, 12}}, "Total: 12.00 Feet",
           "2026-12: 12.00 Feet", "2.00 Feet");
}

TEST(BarChartAxis, HoldsTheHighestInAboutFiveRoundSteps) {
    // Each case: the highest value, whole steps or not, the axis, the name of its top tick
    // (digits grouped, no needless decimals).
    for (auto [highest, whole, axis, top] : {std::tuple{4.0, true, ValueAxis{4, 1}, "4"},
                                             {103.0, true, {125, 25}, "125"},
                                             {11.0, true, {12, 3}, "12"},
                                             {12.0, false, {12.5, 2.5}, "12.5"},
                                             {0.0, false, {1, 0.2}, "1.0"},
                                             {0.0, true, {1, 1}, "1"},
                                             {0.07, false, {0.08, 0.02}, "0.08"},
                                             {9000.0, false, {10000, 2000}, "10,000"}}) {
        EXPECT_EQ(AxisFor(highest, whole), axis) << highest;
        EXPECT_EQ(TickText(axis, static_cast<int>(std::lround(axis.top / axis.step))), top);
    }
}

TEST_F(Window, ExportsTheShownBarsAsCsvAndTheChartAsAnImageOfItsSize) {
    QTemporaryDir dir;
    window.show();
    choose(Period::Weeks26, Statistic::Travel);
    ASSERT_TRUE(window.exportTo(dir.filePath("weeks.csv")));
    QFile csv(dir.filePath("weeks.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(static_cast<size_t>(lines.size()),
              bars().size() + 2); // the header, the bars, an empty end
    EXPECT_EQ(lines[0], "week,input_clicks,windows_viewed,mouse_travel_feet");
    EXPECT_EQ(lines[22], "2026-11-02,103,0,0.00");
    EXPECT_EQ(lines[26], "2026-11-30,15,3,12.00");

    // The chart under a heading that names what it shows.
    ASSERT_TRUE(window.exportTo(dir.filePath("chart.PNG")));
    EXPECT_EQ(window.exportTitle(), "Mouse Travel, Last 26 weeks (2026-06-08 to 2026-12-06)");
    const QImage image(dir.filePath("chart.PNG"));
    const qreal ratio = window.chart->devicePixelRatio();
    EXPECT_EQ(image.width(), window.chart->width() * ratio);
    const int heading = image.height() - static_cast<int>(window.chart->height() * ratio);
    EXPECT_GT(heading, 0);
    QImage blank(image.width(), heading, image.format());
    blank.fill(image.pixel(0, 0));
    EXPECT_NE(image.copy(0, 0, image.width(), heading), blank); // the heading is written
    EXPECT_FALSE(window.exportTo(dir.filePath("gone/chart.csv")));
    EXPECT_TRUE(window.lblExported->text().startsWith("Could not save"));

    window.chooseExportFile = [&](QWidget*, QString* filter) {
        *filter = "PNG image (*.png)";
        return dir.filePath("named");
    };
    window.cmdExport_Click();
    EXPECT_FALSE(QImage(dir.filePath("named.png")).isNull());

    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (auto [key, box] :
         {std::pair{Qt::Key_P, window.cboPeriod}, {Qt::Key_S, window.cboStatistic}}) {
        QTest::keyClick(&window, key, Qt::AltModifier);
        EXPECT_TRUE(box->hasFocus());
    }
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}
