#include "ShellFixture.h"

#include "setup/frmOdovexSetup.h"
#include "splash/frmSplash.h"
#include "store/DateCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

FileLines Today(const Shell& shell) {
    FileLines lines;
    lines.lastDate = ShortDateText(shell.clock.moment.date());
    return lines;
}

template <typename T> T* TopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<T*>(widget)) {
            return found;
        }
    }
    return nullptr;
}

TEST(StartUp, FillsTheLabelsAndInstallsTheTickAndTimers) {
    Shell shell;
    FileLines lines = Today(shell);
    lines.clicksTotal = QStringLiteral("1234");
    ASSERT_TRUE(shell.start(lines));

    EXPECT_EQ(shell.label("lblInputClicks"), "0");
    EXPECT_EQ(shell.label("lblTotalInputClicks"), "1,234");
    const QString since = GeneralDateTimeText(shell.clock.moment);
    EXPECT_EQ(shell.record.SinceDate, since);
    EXPECT_EQ(shell.label("lblSinceDate"), since);
    EXPECT_EQ(shell.label("lblDate"), ShortDateText(shell.clock.moment.date()));
    EXPECT_EQ(shell.record.AppPath, QDir::currentPath());
    EXPECT_TRUE(shell.boxes.shown.empty());
    EXPECT_TRUE(shell.ends.empty());
    EXPECT_TRUE(shell.window->isVisible());
    EXPECT_TRUE(shell.tick->isActive());
    EXPECT_FALSE(shell.record.ProbeArmed);
    EXPECT_EQ(shell.record.ScreenPixelsX, 1200);
    for (auto [timer, interval] : {std::pair{&shell.window->Timer1, 30000},
                                   {&shell.window->Timer2, 5000},
                                   {&shell.window->Timer3, 500},
                                   {&shell.window->Timer4, 60000}}) {
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), interval);
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    }
    // The first tick counts the window in front.
    shell.desktop.setForeground(7);
    shell.tick->fire();
    EXPECT_EQ(shell.label("lblWindowsViewed"), "1");
}

TEST(StartUp, KeepsASinceDateAlreadySetAndShowsCounts) {
    Shell shell;
    FileLines lines = Today(shell);
    lines.since = QStringLiteral("1/2/2026 3:04:05 PM");
    lines.clicksToday = QStringLiteral("7");
    ASSERT_TRUE(shell.start(lines));
    EXPECT_EQ(shell.label("lblSinceDate"), lines.since);
    EXPECT_EQ(shell.label("lblInputClicks"), "7");
    EXPECT_EQ(shell.label("lblTotalInputClicks"), "0");
}

TEST(StartUp, ASecondInstanceStopsBeforeTheFile) {
    Shell shell;
    shell.instanceFree = false;
    EXPECT_FALSE(shell.start(Today(shell)));
    ASSERT_EQ(shell.boxes.shown.size(), 1u);
    const MsgBoxSpec& box = shell.boxes.shown[0];
    EXPECT_EQ(box.prompt, "Odovex is already running.");
    EXPECT_EQ(box.title, "Odovex");
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_EQ(box.buttons, MsgButtons::OkOnly);
    EXPECT_EQ(shell.ends, std::vector<int>{1});
    EXPECT_TRUE(shell.record.Units.isEmpty());
    EXPECT_FALSE(shell.tick->isActive());
}

TEST(StartUp, AFileThatDoesNotLoadEndsTheRunAndIsLeftAlone) {
    for (bool present : {false, true}) {
        Shell shell;
        const QByteArray cutShort = Today(shell).bytes(11);
        if (present) {
            shell.writeFile(cutShort);
        }
        EXPECT_FALSE(shell.window->Form_Load());
        ASSERT_EQ(shell.boxes.shown.size(), 1u);
        const MsgBoxSpec& box = shell.boxes.shown[0];
        EXPECT_EQ(box.prompt, "Odovex must be started from its directory");
        EXPECT_EQ(box.title, "Odovex");
        EXPECT_EQ(box.icon, MsgIcon::Exclamation);
        EXPECT_EQ(shell.ends, std::vector<int>{1});
        EXPECT_FALSE(shell.tick->isActive());
        EXPECT_FALSE(shell.window->isVisible());
        shell.window->Form_Unload();
        const QStringList left = QDir(shell.dir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left, present ? QStringList{"Odovex1.dat"} : QStringList{});
        EXPECT_EQ(shell.fileBytes(), present ? cutShort : QByteArray());
    }
}

TEST(StartUp, AutoStartReplaysTheEntryAndStartsInTheTray) {
    Shell shell;
    FileLines lines = Today(shell);
    lines.autoStart = QStringLiteral("True");
    ASSERT_TRUE(shell.start(lines));
    EXPECT_EQ(shell.autostart.creates, 1);
    EXPECT_FALSE(shell.window->isVisible());
    auto* splash = TopLevel<frmSplash>();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_TRUE(splash->Timer1.isActive());
    EXPECT_TRUE(TopLevel<frmOdovexSetup>()->chkAutoStart->isChecked());
}

TEST(StartUp, AutoStartOffTouchesNoEntry) {
    Shell shell;
    ASSERT_TRUE(shell.start(Today(shell)));
    EXPECT_EQ(shell.autostart.creates + shell.autostart.removes, 0);
    EXPECT_FALSE(TopLevel<frmOdovexSetup>()->chkAutoStart->isChecked());
}

TEST(StartUp, AZeroDimensionLeavesTheSetupDialogAlone) {
    Shell shell;
    FileLines lines = Today(shell);
    lines.autoStart = QStringLiteral("True");
    lines.dimY = QStringLiteral("0");
    ASSERT_TRUE(shell.start(lines));
    EXPECT_FALSE(shell.window->isVisible());
    EXPECT_FALSE(TopLevel<frmSplash>()->isVisible());
    auto* setup = TopLevel<frmOdovexSetup>();
    EXPECT_TRUE(setup->isVisible());
    emit setup->showMainWindow();
    EXPECT_TRUE(shell.window->isVisible());
}

TEST(StartUp, WithoutATrayHidingMinimisesInstead) {
    Shell shell;
    shell.tray = false;
    FileLines lines = Today(shell);
    lines.autoStart = QStringLiteral("True");
    ASSERT_TRUE(shell.start(lines));
    EXPECT_TRUE(shell.window->isVisible());
    EXPECT_TRUE(shell.window->isMinimized());
}

} // namespace

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
