// Touches fed to the X11 backend as the server would deliver them (a test server has no touch
// device), on a real display of the rig for everything else.
#include "engine/SampleTick.h"
#include "platform/x11/X11Desktop.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

// After gtest and Qt, whose names Xlib's macros (None, Bool...) would hit.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

TEST(Touch, ATouchPressesTheLeftButtonWhileItLastsAndMovesTheCursor) {
    int argc = 1;
    char name[] = "touch_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    // A warp moves the cursor without raw motion: only a touch tells the backend it moved.
    const auto warp = [display](int x) {
        XWarpPointer(display, 0, DefaultRootWindow(display), 0, 0, 0, 0, x, 100);
        XSync(display, False);
    };
    warp(100);
    std::unique_ptr<X11Desktop> desktop = X11Desktop::open(nullptr);
    ASSERT_TRUE(desktop);
    StatsRecord r;
    r.ScreenDimX = *Currency::fromInt(12);
    r.ScreenDimY = *Currency::fromInt(9);
    MeasureScreen(r, desktop->screen());
    MainLabels labels;
    SampleTick tick(r, *desktop, labels);
    Timer3_Timer(r);
    const auto ticks = [&](int times) {
        for (int i = 0; i < times; ++i, QThread::msleep(1)) {
            tick();
        }
    };
    // Touch events of one device in order, a few ticks after each group: two fingers, a
    // duplicate end, a tap between two ticks, an end never begun.
    for (const auto& [group, state] : {std::pair{"B1", 1},
                                       {"B2", 1},
                                       {"E1E1", 1},
                                       {"E2", kNoInput},
                                       {"B3E3", kNoInput},
                                       {"E4", kNoInput}}) {
        for (const char* event = group; *event; event += 2) {
            desktop->handleRaw(*event == 'B' ? XI_RawTouchBegin : XI_RawTouchEnd, 11,
                               event[1] - '0', nullptr, 0);
        }
        ticks(3);
        EXPECT_EQ(r.LastInputState, state) << group;
    }
    EXPECT_EQ(r.PendingClicks, 2);

    warp(400);
    ticks(50);
    EXPECT_EQ(r.TravelToday.raw(), 0);
    desktop->handleRaw(XI_RawTouchUpdate, 11, 5, nullptr, 0);
    for (int i = 0; i < 5000 && r.TravelToday.raw() == 0; ++i) {
        ticks(1); // the cursor's answer comes a tick or two later
    }
    EXPECT_EQ(r.TravelToday.raw(), 30000); // 300 pixels of 0.01 inch
    desktop.reset();
    XCloseDisplay(display);
}
