#include "ShellFixture.h"

#include "setup/frmOdovexSetup.h"
#include "splash/frmSplash.h"
#include "store/DateCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>

namespace {

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
    ASSERT_TRUE(shell.start(Lines("0", "False", "9", "Start", "1234")));
    EXPECT_EQ(shell.label("lblInputClicks"), "0");
    EXPECT_EQ(shell.label("lblTotalInputClicks"), "1,234");
    EXPECT_EQ(shell.record.SinceDate, GeneralDateTimeText(shell.clock.moment));
    EXPECT_EQ(shell.label("lblSinceDate"), shell.record.SinceDate);
    EXPECT_EQ(shell.label("lblDate"), ShortDateText(shell.clock.moment.date()));
    EXPECT_TRUE(shell.window->isVisible());
    EXPECT_TRUE(shell.tick->isActive());
    EXPECT_EQ(shell.autostart.calls, 0);
    EXPECT_FALSE(TopLevel<frmOdovexSetup>()->chkAutoStart->isChecked());
    for (auto [timer, interval] : {std::pair{&shell.window->Timer1, 30000},
                                   {&shell.window->Timer2, 5000},
                                   {&shell.window->Timer3, 500},
                                   {&shell.window->Timer4, 60000}}) {
        EXPECT_TRUE(timer->isActive() && timer->timerType() == Qt::PreciseTimer);
        EXPECT_EQ(timer->interval(), interval);
    }
    shell.desktop.setForeground(7);
    shell.tick->onTick();
    EXPECT_EQ(shell.label("lblWindowsViewed"), "4");

    Shell set;
    ASSERT_TRUE(set.start(Lines("7", "False", "9", "1/2/2026 3:04:05 PM")));
    EXPECT_EQ(set.label("lblSinceDate"), "1/2/2026 3:04:05 PM");
    EXPECT_EQ(set.label("lblInputClicks"), "7");
}

TEST(StartUp, ASecondInstanceOrAFileThatDoesNotLoadEndsTheRunAfterItsMessage) {
    for (bool second : {true, false}) {
        Shell shell;
        shell.instanceFree = !second;
        shell.write(FileBytes(Lines(), second ? 12 : 11));
        EXPECT_FALSE(shell.window->Form_Load());
        ASSERT_EQ(shell.boxes.shown.size(), 1u);
        if (second) {
            ExpectBox(shell.boxes.shown[0], "Odovex is already running.", "Odovex",
                      MsgButtons::OkOnly, MsgIcon::Critical);
        } else {
            ExpectBox(shell.boxes.shown[0], "Odovex must be started from its directory", "Odovex",
                      MsgButtons::OkOnly, MsgIcon::Exclamation);
        }
        EXPECT_EQ(shell.ends, std::vector<int>{1});
        EXPECT_FALSE(shell.tick->isActive() || shell.window->isVisible());
        shell.window->Form_Unload();
        EXPECT_EQ(shell.bytes(), FileBytes(Lines(), second ? 12 : 11));
    }
}

TEST(StartUp, AutoStartReplaysTheEntryAndStartsInTheTrayWithTheSplash) {
    Shell shell;
    ASSERT_TRUE(shell.start(Lines("0", "True")));
    EXPECT_EQ(shell.autostart.calls, 1);
    EXPECT_FALSE(shell.window->isVisible());
    EXPECT_TRUE(TopLevel<frmSplash>()->isVisible() && TopLevel<frmSplash>()->Timer1.isActive());
    EXPECT_TRUE(TopLevel<frmOdovexSetup>()->chkAutoStart->isChecked());
}

// Both dimensions 0 make a first start, which offers the size the monitor reports; changes of
// the monitors are measured at once.
TEST(StartUp, AZeroDimensionLeavesTheSetupDialogAlone) {
    for (const char* width : {"0", "12"}) {
        Shell shell;
        shell.desktop.setScreen({1920 * 15.0, 1080 * 15.0, 15, 15, 527, 296});
        QStringList lines = Lines("0", "True", "0");
        lines[5] = QString::fromLatin1(width);
        ASSERT_TRUE(shell.start(lines));
        EXPECT_FALSE(shell.window->isVisible() || TopLevel<frmSplash>()->isVisible());
        auto* setup = TopLevel<frmOdovexSetup>();
        EXPECT_TRUE(setup->isVisible());
        EXPECT_EQ(setup->findChild<QLineEdit*>("txtXDim")->text(), *width == '0' ? "20.75" : "12");
        emit setup->showMainWindow();
        EXPECT_TRUE(shell.window->isVisible());
        shell.desktop.changeScreen(ScreenMetrics::fromPixels(1600, 900));
        EXPECT_EQ(shell.record.ScreenPixelsX, 1600);
    }
}

} // namespace

int main(int argc, char** argv) {
    // Also when ctest lists the tests, which it does without the tests' environment.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
