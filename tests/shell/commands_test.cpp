#include "ShellFixture.h"

#include "splash/frmAbout.h"
#include "store/DateCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace {

// A started window with counts on both sides of the day.
struct Running : Shell {
    Running() {
        FileLines lines;
        lines.lastDate = ShortDateText(clock.moment.date());
        lines.clicksToday = QStringLiteral("5");
        lines.windowsToday = QStringLiteral("3");
        lines.clicksTotal = QStringLiteral("50");
        lines.windowsTotal = QStringLiteral("30");
        lines.since = QStringLiteral("1/2/2026 3:04:05 PM");
        EXPECT_TRUE(start(lines));
        boxes.shown.clear();
    }
};

TEST(Reset, NoChangesNothingAndYesZeroesBothSides) {
    Running shell;
    shell.record.PendingClicks = 2;
    shell.boxes.answers = {MsgResult::No};
    shell.window->cmdReset_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    const MsgBoxSpec& box = shell.boxes.shown[0];
    EXPECT_EQ(box.prompt, "Are you sure you want to reset Odovex?");
    EXPECT_EQ(box.title, "Reset Odovex");
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgResult::Yes);
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(shell.record.PendingClicks, 2);
    EXPECT_EQ(shell.record.SinceDate, "1/2/2026 3:04:05 PM");
    EXPECT_EQ(shell.label("lblTotalInputClicks"), "50");

    shell.clock.moment = shell.clock.moment.addSecs(61);
    shell.boxes.answers = {MsgResult::Yes};
    shell.window->cmdReset_Click();
    EXPECT_EQ(shell.record.PendingClicks, 0);
    for (Currency counter :
         {shell.record.ClicksToday, shell.record.WindowsToday, shell.record.TravelToday,
          shell.record.ClicksTotal, shell.record.WindowsTotal, shell.record.TravelTotal}) {
        EXPECT_TRUE(counter.isZero());
    }
    EXPECT_FALSE(shell.record.PrevCursorValid);
    EXPECT_EQ(shell.record.SinceDate, GeneralDateTimeText(shell.clock.moment));
    EXPECT_EQ(shell.label("lblSinceDate"), shell.record.SinceDate);
    for (const char* name :
         {"lblInputClicks", "lblWindowsViewed", "lblTotalInputClicks", "lblTotalWinCount"}) {
        EXPECT_EQ(shell.label(name), "0") << name;
    }
}

TEST(Hide, TellsWhereTheWindowWentThenHidesItAndTheTrayBringsItBack) {
    Running shell;
    shell.window->cmdHide_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    EXPECT_EQ(shell.boxes.shown[0].prompt, "Click icon in System Tray to view Odovex.");
    EXPECT_EQ(shell.boxes.shown[0].title, "Hide Odovex");
    EXPECT_EQ(shell.boxes.shown[0].buttons, MsgButtons::OkOnly);
    EXPECT_EQ(shell.boxes.shown[0].icon, MsgIcon::None);
    EXPECT_FALSE(shell.window->isVisible());
    EXPECT_TRUE(shell.tick->isActive());

    auto* tray = shell.window->findChild<QSystemTrayIcon*>(QStringLiteral("STI1"));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Odovex Ver 1.00");
    emit tray->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(shell.window->isVisible());
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(shell.window->isVisible());
}

TEST(Hide, WithoutATrayMinimises) {
    Running shell;
    shell.tray = false;
    shell.window->cmdHide_Click();
    EXPECT_TRUE(shell.window->isVisible());
    EXPECT_TRUE(shell.window->isMinimized());
}

TEST(Help, ShowsTheFiveLines) {
    Running shell;
    shell.window->mnuProgram_Click();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    const MsgBoxSpec& box = shell.boxes.shown[0];
    EXPECT_EQ(box.title, "Odovex Help");
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(box.prompt.split("\r\n"),
              QStringList({
                  "Select \"Setup\" to choose units of measure, enter screen dimensions,",
                  "or specify execution at System Start-Up.",
                  "Select \"Reset\" to set both \"Today\" and \"Total\" values to zero.",
                  "\"Hide\" will make the Odovex window invisible.",
                  "Select the Odovex icon in the system tray to view the Odovex window.",
              }));
}

TEST(About, ClosedByItsFrameItIsMadeAnewOnTheNextShow) {
    Running shell;
    shell.window->mnuAbout_Click();
    EXPECT_FALSE(shell.window->isVisible());
    QPointer<frmAbout> first = shell.window->findChild<frmAbout*>();
    if (!first) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<frmAbout*>(widget)) {
                first = about;
            }
        }
    }
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    emit first->showMainWindow();
    EXPECT_TRUE(shell.window->isVisible());
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    shell.window->mnuAbout_Click();
    bool shown = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        shown |= qobject_cast<frmAbout*>(widget) && widget->isVisible();
    }
    EXPECT_TRUE(shown);
}

TEST(Quit, NoKeepsCountingYesSavesOnceAndEnds) {
    Running shell;
    shell.boxes.answers = {MsgResult::No};
    shell.window->Quit();
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    const MsgBoxSpec& box = shell.boxes.shown[0];
    EXPECT_EQ(box.prompt, "Are you sure you want to quit?");
    EXPECT_EQ(box.title, "Exit Odovex");
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MsgResult::Yes);
    EXPECT_TRUE(shell.ends.empty());
    EXPECT_TRUE(shell.tick->isActive());

    shell.record.PendingClicks = 4;
    shell.boxes.answers = {MsgResult::Yes};
    shell.window->Quit();
    EXPECT_EQ(shell.ends, std::vector<int>{0});
    EXPECT_FALSE(shell.tick->isActive());
    EXPECT_TRUE(shell.fileBytes().startsWith(" 9 \r\n 3 \r\n"));
    EXPECT_TRUE(QFile::remove(shell.filePath()));
    shell.window->Form_Unload();
    EXPECT_FALSE(QFile::exists(shell.filePath()));
}

TEST(Unload, StopsTheTickAndSavesOnce) {
    Running shell;
    shell.record.PendingClicks = 1;
    shell.window->Form_Unload();
    EXPECT_FALSE(shell.tick->isActive());
    EXPECT_TRUE(shell.fileBytes().startsWith(" 6 \r\n"));
    EXPECT_TRUE(QFile::remove(shell.filePath()));
    shell.window->Form_Unload();
    shell.window->UnloadAtExit();
    EXPECT_FALSE(QFile::exists(shell.filePath()));
    EXPECT_TRUE(shell.ends.empty());
}

TEST(Saves, EveryNinthMinuteAndAFailureIsToldAndRetried) {
    Running shell;
    ASSERT_TRUE(QFile::remove(shell.filePath()));
    for (int minute = 1; minute < 9; ++minute) {
        shell.window->Timer4_Timer();
    }
    EXPECT_FALSE(QFile::exists(shell.filePath()));
    shell.window->Timer4_Timer();
    EXPECT_TRUE(QFile::exists(shell.filePath()));

    const QString appPath = shell.record.AppPath;
    shell.record.AppPath = appPath + "/gone";
    testing::internal::CaptureStderr();
    for (int minute = 0; minute < 9; ++minute) {
        shell.window->Timer4_Timer();
    }
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not save"), std::string::npos);
    EXPECT_TRUE(shell.tick->isActive());
    EXPECT_TRUE(shell.boxes.shown.empty());

    // Quit after a failed save ends only on a second Yes.
    shell.boxes.answers = {MsgResult::Yes, MsgResult::No};
    shell.window->Quit();
    ASSERT_EQ(shell.boxes.shown.size(), 2u);
    EXPECT_EQ(shell.boxes.shown[1].defaultButton, MsgResult::No);
    EXPECT_TRUE(shell.ends.empty());
    EXPECT_TRUE(shell.tick->isActive());

    shell.record.AppPath = appPath;
    ASSERT_TRUE(QFile::remove(shell.filePath()));
    EXPECT_TRUE(shell.window->DataOut());
    EXPECT_TRUE(QFile::exists(shell.filePath()));
}

TEST(Setup, HidesTheMainWindowUntilItsOk) {
    Running shell;
    shell.window->cmdSetup_Click();
    EXPECT_FALSE(shell.window->isVisible());
    shell.window->STI1_Click();
    EXPECT_TRUE(shell.window->isVisible());
}

TEST(CloseByTheFrame, HidesToTheTray) {
    Running shell;
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    // Delivered directly: sendEvent would clear the spontaneous mark that the frame's close has.
    static_cast<QObject*>(shell.window.get())->event(&close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_FALSE(shell.window->isVisible());
    EXPECT_TRUE(shell.tick->isActive());
}

} // namespace
