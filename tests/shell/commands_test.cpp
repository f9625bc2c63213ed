#include "ShellFixture.h"

#include "history/frmHistory.h"

#include <QApplication>
#include <QComboBox>

namespace {

TEST(Reset, NoChangesNothingAndYesZeroesBothSides) {
    Shell shell;
    ASSERT_TRUE(shell.start(Lines("5", "False", "9", "1/2/2026 3:04:05 PM", "50")));
    shell.record.PendingClicks = 2;
    shell.record.TravelToday = shell.record.TravelTotal = Currency::fromRaw(70000);
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
    // The day's history keeps what Reset zeroed, the pending clicks included.
    shell.record.WindowsToday = *Currency::fromInt(1);
    EXPECT_TRUE(shell.window->DataOut());
    QFile history(shell.dir.filePath(kHistoryFileName));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_EQ(history.readAll(), "date,clicks,windows,travel_inches\n2026-12-06,7,4,7\n");
}

// The tray icon, its menu and a close by the frame are left to the end-to-end test.
TEST(Hide, HidesAfterItsMessageOrMinimizesWithoutATrayAndHistoryShowsToday) {
    Shell shell;
    ASSERT_TRUE(shell.start());
    shell.window->cmdHide_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    ExpectBox(shell.boxes.shown[0], "Click icon in System Tray to view Odovex.", "Hide Odovex");
    EXPECT_FALSE(shell.window->isVisible());
    shell.window->findChild<QAction*>(QStringLiteral("mnuHistory"))->trigger();
    frmHistory* history = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        history = history ? history : qobject_cast<frmHistory*>(widget);
    }
    ASSERT_TRUE(history && history->isVisible());
    history->cboStatistic->setCurrentIndex(static_cast<int>(Statistic::Windows));
    EXPECT_EQ(history->shown().bars.back().value, 3); // today's as it stands

    shell.tray = false;
    shell.window->cmdHide_Click();
    EXPECT_TRUE(shell.window->isVisible() && shell.window->isMinimized());
    EXPECT_TRUE(shell.tick->isActive());
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
    // The day's end saves the history with the day closed, and the history alone.
    QFile history(shell.dir.filePath(kHistoryFileName));
    ASSERT_TRUE(history.remove() && QFile::remove(shell.path()));
    shell.record.PendingClicks = 2;
    shell.clock.moment = shell.clock.moment.addDays(1);
    shell.window->Timer1_Timer();
    ASSERT_TRUE(history.open(QIODevice::ReadOnly) && !QFile::exists(shell.path()));
    EXPECT_EQ(history.readAll(), "date,clicks,windows,travel_inches\n2026-12-06,2,3,0\n");

    // No file fits where a directory is.
    ASSERT_TRUE(history.remove() && QDir().mkdir(shell.path()) && QDir().mkdir(history.fileName()));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(shell.window->DataOut());
    const std::string told = testing::internal::GetCapturedStderr();
    for (const char* file : {"could not save Odovex1.dat", "could not save OdovexHistory.csv"}) {
        EXPECT_NE(told.find(file), std::string::npos) << file;
    }
    // Quit after a failed save ends only on a second Yes.
    shell.boxes.answers = {MsgResult::Yes, MsgResult::No};
    shell.window->Quit();
    ASSERT_EQ(shell.boxes.shown.size(), 2u);
    EXPECT_EQ(shell.boxes.shown[1].defaultButton, MsgResult::No);
    EXPECT_TRUE(shell.ends.empty() && shell.tick->isActive());

    ASSERT_TRUE(QDir().rmdir(shell.path()) && QDir().rmdir(history.fileName()));
    EXPECT_TRUE(shell.window->DataOut() && QFile::exists(shell.path()));

    // The session manager's request comes on a socket, after no event that would have run the
    // ticks of the input taken in: the save runs them itself.
    shell.window->Timer3_Timer();
    shell.desktop.stampAt(0);
    shell.tick->onTick();
    shell.desktop.stampAt(5);
    shell.desktop.tap(1);
    shell.window->SessionSave();
    EXPECT_TRUE(shell.bytes().startsWith(" 1 \r\n")) << shell.bytes().toStdString();
    // Quitting anyway after a failed save ends without claiming success.
    ASSERT_TRUE(QFile::remove(shell.path()) && QDir().mkdir(shell.path()));
    shell.boxes.answers = {MsgResult::Yes, MsgResult::Yes};
    shell.window->Quit();
    EXPECT_EQ(shell.ends, std::vector<int>{1});
}

} // namespace
