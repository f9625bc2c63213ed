#include "LabelRecorder.h"
#include "engine/Reset.h"
#include "engine/SampleTick.h"
#include "platform/fake/FakeDesktop.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr int kKeyA = 65;

Currency C(double value) {
    return *Currency::fromDouble(value);
}

// The worked-example screen: 12 x 9 inches on 1200 x 900 pixels, one pixel 0.01 inch each way.
struct Desk {
    StatsRecord r;
    FakeDesktop desktop;
    MainLabels labels;
    LabelRecorder recorder;
    SampleTick tick{r, desktop, labels};

    Desk() {
        labels.setSink(&recorder);
        r.Units = "English";
        r.ScreenDimX = C(12);
        r.ScreenDimY = C(9);
        MeasureScreen(r, desktop.screen());
        r.ProbeArmed = kTrue;
        desktop.setCursor(100, 100);
    }
    // Ticks until the desktop's news is all seen, and forgets the label writes made.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            tick();
        }
        recorder.writes.clear();
    }
    void tap(int code) {
        desktop.tap(code);
        tick();
    }
};

struct Tick : ::testing::Test, Desk {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

} // namespace

// From (100, 100), settled on a screen measured as the row says, the cursor visits the points
// of the row, one a tick.
TEST_F(Tick, AddsTheTravelBetweenPointsThatFitTheRecord) {
    const ScreenMetrics worked = ScreenMetrics::fromPixels(1200, 900);
    const struct {
        const char* what;
        bool reset;
        ScreenMetrics screen;
        std::vector<std::pair<int, int>> path;
        double inches;
    } rows[] = {
        {"the worked example", false, worked, {{103, 104}}, 0.05},
        {"none to the first point after Reset", true, worked, {{900, 800}, {903, 804}}, 0.05},
        {"beyond 16 bits: a fresh start", false, worked, {{40000, 100}, {110, 100}}, 0},
        {"a 60,000-pixel jump", false, worked, {{-30000, 100}, {30000, 100}, {30003, 104}}, 301.05},
        {"twips rounded", false, {18000.4, 13499.6, 15.4, 14.6}, {{103, 104}}, 0.05},
        {"no twips per pixel", false, {19200, 14400, 0, 15}, {{103, 104}}, 0},
        {"wider than 16 bits", false, ScreenMetrics::fromPixels(40000, 900), {{103, 104}}, 0},
    };
    for (const auto& row : rows) {
        Desk d;
        d.settle();
        MeasureScreen(d.r, row.screen);
        if (row.reset) {
            ResetCounters(d.r, d.labels, "6/12/26 10:00:00");
        }
        for (const auto& [x, y] : row.path) {
            d.desktop.setCursor(x, y);
            d.tick();
        }
        EXPECT_EQ(d.r.TravelToday, C(row.inches)) << row.what;
        EXPECT_EQ(d.r.TravelTotal, C(row.inches)) << row.what;
    }
}

TEST_F(Tick, MetricTravelIsKeptInInchesAndShownInMetersOrFeetOrNotAtAll) {
    // 100 cm wide on 1000 pixels: one pixel is a tenth of a centimetre.
    r.Units = "Metric";
    r.ScreenDimX = C(100);
    MeasureScreen(r, ScreenMetrics::fromPixels(1000, 750));
    desktop.setCursor(0, 0);
    settle();
    r.Units = "English"; // only the text changes, on the next tick
    tick();
    EXPECT_EQ(labels.text(Label::DistTotal), ".00 Feet");
    r.Units = "Metric";
    desktop.setCursor(1000, 0);
    tick();
    EXPECT_NEAR(r.TravelToday.toDouble(), 100 / 2.54, 1e-3);
    EXPECT_EQ(labels.text(Label::DistTotal), "1.00 Meters");
    r.Units.clear(); // without units the labels keep their text
    desktop.setCursor(0, 0);
    tick();
    EXPECT_EQ(labels.text(Label::TotalDistTotal), "1.00 Meters");
    EXPECT_GT(r.TravelToday.toDouble(), 100); // the dimensions taken as inches
}

TEST_F(Tick, FoldsAboveTenThousandWithoutChangingTheLabels) {
    r.ClicksToday = C(5);
    r.ClicksTotal = C(50);
    settle();
    r.PendingClicks = 9999;
    tap(kKeyA);
    tick();
    EXPECT_EQ(r.PendingClicks, 10000);
    EXPECT_EQ(labels.text(Label::TotalInputClicks), "10,050");
    tap(kKeyA);
    EXPECT_EQ(r.PendingClicks, 0);
    EXPECT_EQ(labels.text(Label::InputClicks), "10,006");
    EXPECT_EQ(labels.text(Label::TotalInputClicks), "10,051");
    r.ClicksTotal = Currency::fromRaw(INT64_MAX); // a full counter stays full
    r.PendingClicks = 10000;
    tick();
    tap(kKeyA);
    EXPECT_EQ(r.PendingClicks, 0);
    EXPECT_EQ(r.ClicksTotal, Currency::fromRaw(INT64_MAX));
    EXPECT_EQ(labels.text(Label::InputClicks), "20,007");
}

TEST_F(Tick, RewritesLabelsOnlyWhenTheirShownValueChanges) {
    desktop.setForeground(5);
    settle();
    EXPECT_EQ(labels.text(Label::DistTotal), ".00 Feet");
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(tick());
    }
    // A today label shown as the number it should show: neither it nor its total is written.
    labels.write(Label::InputClicks, "1");
    recorder.writes.clear();
    tap(kKeyA);
    // Travel too small to change the today text leaves the total text behind.
    desktop.moveBy(0, 1);
    tick();
    EXPECT_EQ(r.TravelTotal, C(0.01));
    EXPECT_TRUE(recorder.writes.empty());
}
