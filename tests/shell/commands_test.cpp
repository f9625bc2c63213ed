#include "ShellFixture.h"

#include <QCloseEvent>
#include <QtTest/qtestspontaneevent.h>

namespace {

TEST(Reset, NoChangesNothingAndYesZeroesBothSides) {
    Shell shell;
    ASSERT_TRUE(shell.start(Lines("5", "False", "9", "1/2/2026 3:04:05 PM", "50")));
    shell.record.PendingClicks = 2;
    shell.boxes.answers = {MsgResult::No};
    shell.window->cmdReset_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    ExpectBox(shell.boxes.shown[0], "Are you sure you want to reset Odovex?", "Reset Odovex",
              MsgButtons::YesNo);
    EXPECT_EQ(shell.record.PendingClicks, 2);
    EXPECT_EQ(shell.record.SinceDate, "1/2/2026 3:04:05 PM");
    EXPECT_EQ(shell.label("lblTotalInputClicks"), "50");

    shell.clock.moment = shell.clock.moment.addSecs(61);
    shell.window->cmdReset_Click();
    EXPECT_EQ(shell.record.PendingClicks, 0);
    for (Currency counter :
         {shell.record.ClicksToday, shell.record.WindowsToday, shell.record.TravelToday,
          shell.record.ClicksTotal, shell.record.WindowsTotal, shell.record.TravelTotal}) {
        EXPECT_TRUE(counter.isZero());
    }
    EXPECT_EQ(shell.record.SinceDate, GeneralDateTimeText(shell.clock.moment));
    EXPECT_EQ(shell.label("lblSinceDate"), shell.record.SinceDate);
    for (const char* name :
         {"lblInputClicks", "lblWindowsViewed", "lblTotalInputClicks", "lblTotalWinCount"}) {
        EXPECT_EQ(shell.label(name), "0") << name;
    }
}

TEST(Hide, HidesAfterItsMessageTheTrayShowsAndAFrameCloseHidesToo) {
    Shell shell;
    ASSERT_TRUE(shell.start());
    shell.window->cmdHide_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    ExpectBox(shell.boxes.shown[0], "Click icon in System Tray to view Odovex.", "Hide Odovex");
    EXPECT_FALSE(shell.window->isVisible());

    auto* tray = shell.window->findChild<QSystemTrayIcon*>(QStringLiteral("STI1"));
    EXPECT_EQ(tray->toolTip(), "Odovex Ver 1.00");
    emit tray->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(shell.window->isVisible());

    // Delivered directly: sendEvent would clear the spontaneous mark of the frame's close.
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    static_cast<QObject*>(shell.window.get())->event(&close);
    EXPECT_FALSE(close.isAccepted() || shell.window->isVisible());
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(shell.window->isVisible());

    shell.tray = false;
    shell.window->cmdHide_Click();
    EXPECT_TRUE(shell.window->isVisible() && shell.window->isMinimized());
    EXPECT_TRUE(shell.tick->isActive());
}

TEST(Help, ShowsTheFiveLines) {
    Shell shell;
    ASSERT_TRUE(shell.start());
    shell.window->mnuProgram_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    EXPECT_EQ(shell.boxes.shown[0].title, "Odovex Help");
    EXPECT_EQ(shell.boxes.shown[0].prompt.split("\r\n"),
              QStringList({
                  "Select \"Setup\" to choose units of measure, enter screen dimensions,",
                  "or specify execution at System Start-Up.",
                  "Select \"Reset\" to set both \"Today\" and \"Total\" values to zero.",
                  "\"Hide\" will make the Odovex window invisible.",
                  "Select the Odovex icon in the system tray to view the Odovex window.",
              }));
}

TEST(Quit, NoKeepsCountingYesSavesOnceAndEnds) {
    Shell shell;
    ASSERT_TRUE(shell.start(Lines("5")));
    shell.boxes.answers = {MsgResult::No};
    shell.window->Quit();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    ExpectBox(shell.boxes.shown[0], "Are you sure you want to quit?", "Exit Odovex",
              MsgButtons::YesNo);
    EXPECT_TRUE(shell.ends.empty() && shell.tick->isActive());

    shell.record.PendingClicks = 4;
    shell.window->Quit();
    EXPECT_EQ(shell.ends, std::vector<int>{0});
    EXPECT_FALSE(shell.tick->isActive());
    EXPECT_TRUE(shell.bytes().startsWith(" 9 \r\n 3 \r\n"));
    ASSERT_TRUE(QFile::remove(shell.path()));
    shell.window->Form_Unload();
    shell.window->UnloadAtExit();
    EXPECT_FALSE(QFile::exists(shell.path()));
}

TEST(Saves, TheNinthMinuteSavesAndAFailureIsToldAndRetried) {
    Shell shell;
    ASSERT_TRUE(shell.start());
    ASSERT_TRUE(QFile::remove(shell.path()));
    for (int minute = 1; minute <= 9; ++minute) {
        EXPECT_EQ(QFile::exists(shell.path()), false) << minute;
        shell.window->Timer4_Timer();
    }
    EXPECT_TRUE(QFile::exists(shell.path()));

    ASSERT_TRUE(QFile::remove(shell.path()) && QDir().mkdir(shell.path())); // no file fits there
    testing::internal::CaptureStderr();
    EXPECT_FALSE(shell.window->DataOut());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not save"), std::string::npos);
    // Quit after a failed save ends only on a second Yes.
    shell.boxes.answers = {MsgResult::Yes, MsgResult::No};
    shell.window->Quit();
    ASSERT_EQ(shell.boxes.shown.size(), 2u);
    EXPECT_EQ(shell.boxes.shown[1].defaultButton, MsgResult::No);
    EXPECT_TRUE(shell.ends.empty() && shell.tick->isActive());

    ASSERT_TRUE(QDir().rmdir(shell.path()));
    EXPECT_TRUE(shell.window->DataOut() && QFile::exists(shell.path()));
}

} // namespace
