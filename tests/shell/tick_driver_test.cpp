#include "ShellFixture.h"
#include "shell/TickDriver.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

namespace {

struct Driver : ::testing::Test {
    StatsRecord record;
    FakeDesktop desktop;
    MainLabels labels;
    SampleTick tick{record, desktop, labels};
    ManualTickTimer* timer = new ManualTickTimer;
    TickDriver driver{tick, desktop, std::unique_ptr<TickTimer>(timer)};
    QObject anyObject;

    void SetUp() override {
        record.ProbeArmed = kTrue;
        desktop.setForeground(9);
        driver.start();
    }
    // Ticks while the timer runs, at most `limit` times; returns how many ran.
    int tickUntilRest(int limit = 10) {
        int ticks = 0;
        while (timer->active && ticks < limit) {
            timer->onTick();
            ++ticks;
        }
        return ticks;
    }
    void deliverAnEvent(QEvent::Type type = QEvent::User) {
        QEvent event(type);
        QCoreApplication::sendEvent(&anyObject, &event);
    }
};

} // namespace

TEST_F(Driver, RestsAfterQuietTicksWakesOnAnyEventAndNeverRestsWhereItMustPoll) {
    // The first tick counts the window; then a few ticks that find nothing.
    EXPECT_EQ(tickUntilRest(), 1 + RestingTick::kQuietTicksBeforeRest);
    EXPECT_TRUE(driver.resting() && driver.isActive());
    deliverAnEvent();
    desktop.press(1);
    timer->onTick();
    EXPECT_EQ(record.PendingClicks, 1);
    EXPECT_EQ(tickUntilRest(), RestingTick::kQuietTicksBeforeRest); // the key stays down
    // The timer's own notifier (a socket on Linux, an event object on Windows) delivers an event
    // before every tick: it keeps no tick awake.
    for (const QEvent::Type notifier : {QEvent::SockAct, QEvent::WinEventAct}) {
        deliverAnEvent();
        int ticks = 0;
        for (; timer->active && ticks < 10; ++ticks) {
            deliverAnEvent(notifier);
            timer->onTick();
        }
        EXPECT_EQ(ticks, RestingTick::kQuietTicksBeforeRest) << notifier;
    }

    desktop.setMayRest(false);
    deliverAnEvent();
    EXPECT_EQ(tickUntilRest(50), 50);
    desktop.setMayRest(true);
    tickUntilRest();
    driver.stop();
    deliverAnEvent();
    EXPECT_FALSE(timer->active || driver.isActive());
}
