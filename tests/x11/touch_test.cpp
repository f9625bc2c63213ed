// Touches fed to the X11 backend as the server would deliver them (a test server has no touch
// device), on a real display for everything else. Run on a desktop of the rig.
#include "engine/SampleTick.h"
#include "platform/x11/X11Desktop.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

// After gtest and Qt, whose names Xlib's macros (None, Bool...) would hit.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {

constexpr int kDevice = 11;
constexpr int kDeadlineTicks = 5000; // generous: the cursor's answer comes a tick or two later

class Touch : public testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        Warp(100, 100);
        QString error;
        desktop = X11Desktop::open(&error);
        ASSERT_TRUE(desktop) << error.toStdString();
        record.Units = QStringLiteral("English");
        record.ScreenDimX = *Currency::fromInt(12);
        record.ScreenDimY = *Currency::fromInt(9);
        MeasureScreen(record, desktop->screen());
        tick = std::make_unique<SampleTick>(record, *desktop, labels);
        Timer3_Timer(record);
        Tick();
    }
    void TearDown() override {
        tick.reset();
        desktop.reset();
        if (display) {
            XCloseDisplay(display);
        }
    }
    // A warp moves the cursor without raw motion: only the touch tells the backend it moved.
    void Warp(int x, int y) {
        XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
        XSync(display, False);
    }
    void Feed(int type, int touch) { desktop->handleRaw(type, kDevice, touch, nullptr, 0); }
    void Tick(int times = 3) {
        for (int i = 0; i < times; ++i) {
            (*tick)();
            QThread::msleep(1);
        }
    }
    std::int64_t Clicks() const { return record.ClicksToday.raw() / 10000 + record.PendingClicks; }

    int argc = 1;
    char name[12] = "touch_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    Display* display = nullptr;
    std::unique_ptr<X11Desktop> desktop;
    StatsRecord record;
    MainLabels labels;
    std::unique_ptr<SampleTick> tick;
};

TEST_F(Touch, ATouchPressesTheLeftButtonWhileItLasts) {
    const std::int64_t start = Clicks();
    Feed(XI_RawTouchBegin, 1);
    Tick();
    EXPECT_EQ(record.LastInputState, 1);
    Feed(XI_RawTouchBegin, 2); // a second finger, then the first lifts: still one touch
    Tick();
    Feed(XI_RawTouchEnd, 1);
    Feed(XI_RawTouchEnd, 1); // duplicates are harmless
    Tick();
    EXPECT_EQ(Clicks() - start, 1);
    Feed(XI_RawTouchEnd, 2);
    Tick();
    EXPECT_EQ(record.LastInputState, kNoInput);
    Feed(XI_RawTouchBegin, 3); // a tap between two ticks
    Feed(XI_RawTouchEnd, 3);
    Tick();
    Feed(XI_RawTouchEnd, 4); // an end never begun
    Tick();
    EXPECT_EQ(Clicks() - start, 2);
}

TEST_F(Touch, TheCursorATouchMovesAddsTravel) {
    Warp(400, 100);
    Tick(50);
    EXPECT_EQ(record.TravelToday.raw(), 0);
    Feed(XI_RawTouchUpdate, 1);
    for (int i = 0; i < kDeadlineTicks && record.TravelToday.raw() == 0; ++i) {
        Tick(1);
    }
    EXPECT_EQ(record.TravelToday.raw(), 30000); // 300 pixels of 0.01 inch
}

} // namespace
