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
    // Ticks while the timer runs, at most `limit` times, each after an event of type `before`
    // when given; returns how many ran.
    int tickUntilRest(int limit = 10, QEvent::Type before = QEvent::None) {
        int ticks = 0;
        while (timer->active && ticks < limit) {
            if (before != QEvent::None) {
                deliverAnEvent(before);
            }
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
    // An event before every tick: the timer's own notifier (a socket, a Windows event object) or
    // the pointer over a window keeps no tick awake; a press, a release or a timer may run a
    // handler, so it first runs the ticks of the input taken in.
    for (const QEvent::Type type : {QEvent::SockAct, QEvent::WinEventAct, QEvent::MouseMove,
                                    QEvent::HoverMove, QEvent::Enter, QEvent::Leave}) {
        deliverAnEvent();
        EXPECT_EQ(tickUntilRest(10, type), RestingTick::kQuietTicksBeforeRest) << type;
    }
    for (const QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::Timer}) {
        deliverAnEvent();
        EXPECT_EQ(tickUntilRest(10, type), 10) << type;
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
