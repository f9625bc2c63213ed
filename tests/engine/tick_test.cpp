#include "LabelRecorder.h"
#include "engine/SampleTick.h"
#include "platform/fake/FakeDesktop.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

constexpr int kLeftButton = 1;
constexpr int kShift = 16;
constexpr int kKeyA = 65;

Currency C(double value) {
    return *Currency::fromDouble(value);
}

// The worked-example screen: 12 x 9 inches on 1200 x 900 pixels, one pixel 0.01 inch each way.
struct Tick : ::testing::Test {
    StatsRecord r;
    FakeDesktop desktop;
    MainLabels labels;
    LabelRecorder recorder;
    SampleTick tick{r, desktop, labels};

    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        labels.setSink(&recorder);
        r.Units = "English";
        r.ScreenDimX = C(12);
        r.ScreenDimY = C(9);
        MeasureScreen(r, desktop.screen());
        r.ProbeArmed = kTrue;
        desktop.setCursor(100, 100);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

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
    int shownClicks() const { return labels.shownCount(Label::InputClicks).roundedToInt(); }
};

} // namespace

TEST_F(Tick, FollowsTheWorkedTravelExample) {
    settle();
    desktop.setCursor(103, 104);
    EXPECT_TRUE(tick());
    EXPECT_FLOAT_EQ(r.SampleDistance, 0.05f);
    EXPECT_EQ(r.TravelToday, C(0.05));
    EXPECT_EQ(r.TravelTotal, C(0.05));
    EXPECT_EQ(r.DeltaX, 3);
    EXPECT_EQ(r.DeltaY, 4);
}

TEST_F(Tick, FirstTickCountsTheFrontWindowAndNoTravel) {
    desktop.setForeground(7);
    desktop.setCursor(500, 500);
    tick();
    EXPECT_EQ(r.WindowsToday, C(1));
    EXPECT_EQ(r.WindowsTotal, C(1));
    EXPECT_EQ(r.TravelToday, Currency());
    EXPECT_EQ(labels.text(Label::WindowsViewed), "1");
    EXPECT_EQ(labels.text(Label::DistTotal), ".00 Feet");

    // A window, then none, then another: two more.
    desktop.setForeground(0);
    tick();
    desktop.setForeground(8);
    tick();
    EXPECT_EQ(r.WindowsTotal, C(3));
}

TEST_F(Tick, TravelStartsAfreshWhenThePreviousPointIsInvalid) {
    settle();
    r.PrevCursorValid = kFalse;
    desktop.setCursor(900, 800);
    tick();
    EXPECT_EQ(r.TravelToday, Currency());
    desktop.setCursor(900, 800);
    tick();
    EXPECT_EQ(r.TravelToday, Currency());
}

TEST_F(Tick, WithoutScreenDimensionsTravelStaysZero) {
    r.ScreenDimX = Currency();
    r.ScreenDimY = Currency();
    settle();
    desktop.setCursor(1000, 10);
    tick();
    EXPECT_EQ(r.TravelTotal, Currency());
}

TEST_F(Tick, MetricTravelIsKeptInInchesAndShownInMeters) {
    // 100 cm wide on 1000 pixels: one pixel is a tenth of a centimetre.
    r.Units = "Metric";
    r.ScreenDimX = C(100);
    r.ScreenDimY = C(75);
    MeasureScreen(r, ScreenMetrics::fromPixels(1000, 750));
    desktop.setCursor(0, 0);
    settle();
    for (int x = 100; x <= 1000; x += 100) {
        desktop.setCursor(x, 0);
        tick();
    }
    EXPECT_NEAR(r.TravelToday.toDouble(), 100 / 2.54, 1e-3);
    EXPECT_EQ(labels.text(Label::DistTotal), "1.00 Meters");
    // Switching units changes only the text, on the next tick.
    r.Units = "English";
    const Currency before = r.TravelToday;
    tick();
    EXPECT_EQ(r.TravelToday, before);
    EXPECT_EQ(labels.text(Label::DistTotal), "3.28 Feet");
}

TEST_F(Tick, SkipsSamplesOutsideTheRecordsRange) {
    settle();
    desktop.setCursor(40000, 100); // beyond 16 bits
    tick();
    EXPECT_EQ(r.TravelToday, Currency());
    desktop.setCursor(110, 100); // the path in between is unknown: a fresh start
    tick();
    EXPECT_EQ(r.TravelToday, Currency());

    desktop.setCursor(-30000, 100);
    tick();
    const Currency before = r.TravelToday;
    desktop.setCursor(30000, 100); // a jump of 60,000 pixels in one tick
    tick();
    EXPECT_EQ(r.TravelToday, before);
    desktop.setCursor(30003, 104); // counting resumes from the new point
    tick();
    EXPECT_EQ(r.TravelToday, *before.plus(C(0.05)));

    r.ScreenPixelsX = 0; // a screen of no pixels poisons nothing
    desktop.setCursor(30100, 200);
    tick();
    EXPECT_EQ(r.TravelToday, *before.plus(C(0.05)));
    EXPECT_EQ(r.TravelTotal, r.TravelToday);
}

TEST_F(Tick, CountsChangesOfTheLowestActiveCode) {
    settle();
    desktop.press(kKeyA); // a key held with auto-repeat counts once
    for (int i = 0; i < 50; ++i) {
        tick();
    }
    EXPECT_EQ(r.PendingClicks, 1);
    desktop.press(kShift); // lower code: the state changes, one more
    tick();
    EXPECT_EQ(r.InputState, kShift);
    EXPECT_EQ(r.PendingClicks, 2);
    desktop.tap(90); // higher than the held keys: unseen while they are down
    tick();
    EXPECT_EQ(r.PendingClicks, 2);
    desktop.release(kShift);
    desktop.release(kKeyA);
    tick(); // the tap above, remembered since it was never queried, now answers
    EXPECT_EQ(r.InputState, 90);
    EXPECT_EQ(r.PendingClicks, 3);
    recorder.writes.clear();
    tick(); // release to idle: recorded, counts nothing, writes nothing
    EXPECT_EQ(r.LastInputState, kNoInput);
    EXPECT_EQ(r.PendingClicks, 3);
    EXPECT_TRUE(recorder.writes.empty());

    for (int i = 0; i < 10; ++i) {
        tap(kLeftButton);
        tick();
    }
    EXPECT_EQ(r.PendingClicks, 13);
    EXPECT_EQ(labels.text(Label::InputClicks), "13");
}

TEST_F(Tick, AnUnarmedProbeConsumesPressesButCountsAHeldKeyOnArming) {
    r.ProbeArmed = kFalse;
    desktop.tap(kKeyA);
    desktop.press(kLeftButton);
    tick();
    tick();
    EXPECT_EQ(r.PendingClicks, 0);
    EXPECT_EQ(r.ProbeKey, 256);
    Timer3_Timer(r);
    tick(); // the tap was consumed; the held button counts once
    EXPECT_EQ(r.InputState, kLeftButton);
    EXPECT_EQ(r.PendingClicks, 1);
}

TEST_F(Tick, FoldsAboveTenThousandWithoutChangingTheLabels) {
    r.ClicksToday = C(5);
    r.ClicksTotal = C(50);
    settle();
    r.PendingClicks = 9999;
    tap(kKeyA);
    tick();
    EXPECT_EQ(r.PendingClicks, 10000);
    EXPECT_EQ(labels.text(Label::InputClicks), "10,005");
    EXPECT_EQ(labels.text(Label::TotalInputClicks), "10,050");
    recorder.writes.clear();
    tap(kKeyA);
    EXPECT_EQ(r.PendingClicks, 0);
    EXPECT_EQ(r.ClicksToday, C(10006));
    EXPECT_EQ(r.ClicksTotal, C(10051));
    EXPECT_EQ(labels.text(Label::InputClicks), "10,006");
    EXPECT_EQ(labels.text(Label::TotalInputClicks), "10,051");
}

TEST_F(Tick, RewritesLabelsOnlyWhenTheirShownValueChanges) {
    desktop.setForeground(5);
    settle();
    for (int i = 0; i < 100; ++i) {
        EXPECT_FALSE(tick());
    }
    EXPECT_TRUE(recorder.writes.empty());

    // A today label shown as the number it should show: neither it nor its total is written.
    labels.write(Label::InputClicks, "1");
    recorder.writes.clear();
    tap(kKeyA);
    EXPECT_TRUE(recorder.writes.empty());

    // Travel too small to change the today text leaves the total text behind.
    desktop.moveBy(0, 1);
    tick();
    EXPECT_EQ(r.TravelTotal, C(0.01));
    EXPECT_TRUE(recorder.writes.empty());
    for (const auto& [label, text] : recorder.writes) {
        EXPECT_NE(label, Label::TotalDistTotal);
    }
}

TEST_F(Tick, WithoutUnitsTheDistanceLabelsKeepTheirText) {
    r.Units.clear();
    desktop.setForeground(3);
    settle();
    desktop.setCursor(900, 100);
    tick();
    tap(kKeyA);
    EXPECT_EQ(labels.text(Label::DistTotal), "0");
    EXPECT_EQ(labels.text(Label::TotalDistTotal), "0");
    EXPECT_EQ(labels.text(Label::InputClicks), "1");
    EXPECT_GT(r.TravelToday, Currency());
}

TEST(MeasureScreen, RoundsThenDividesAndRejectsWhatDoesNotFit) {
    StatsRecord r;
    MeasureScreen(r, {19200.4, 14399.6, 15.4, 14.6});
    EXPECT_EQ(r.ScreenPixelsX, 1280);
    EXPECT_EQ(r.ScreenPixelsY, 960);
    MeasureScreen(r, {19200, 14400, 0, 15});
    EXPECT_EQ(r.ScreenPixelsX, 0);
    MeasureScreen(r, ScreenMetrics::fromPixels(40000, 100));
    EXPECT_EQ(r.ScreenPixelsX, 0);
}
