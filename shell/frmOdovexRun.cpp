// The main window's run: start-up, the form timers, the saves and the ways a run ends.
#include "frmOdovex.h"

#include "platform/Clock.h"
#include "platform/DesktopProbe.h"
#include "platform/forms/Forms.h"
#include "setup/frmOdovexSetup.h"
#include "splash/frmSplash.h"
#include "store/DateCheck.h"
#include "store/History.h"
#include "store/ReplaceFile.h"
#include "store/StatsFile.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMessageBox>
#include <cstdio>

namespace {

const QString kTitle = QStringLiteral("Odovex");

void Complain(const QString& line) {
    std::fprintf(stderr, "Odovex: %s\n", qPrintable(line));
}

} // namespace

bool frmOdovex::Form_Load() {
    record_.AppPath = QDir::currentPath();
    QCoreApplication::setApplicationName(kTitle);
    if (!s_.claimInstance()) {
        const QString text = QStringLiteral("Odovex is already running.");
        Complain(text);
        s_.messages.MsgBox({text, kTitle, MsgButtons::OkOnly, MsgIcon::Critical});
        s_.end(1);
        return false;
    }
    labels_.write(Label::Date, ShortDateText(s_.clock.now().date()));
    layout()->activate();
    CentreOnScreen(this);
    STI1->show();
    if (!Initialize()) {
        return false;
    }
    const ScreenMetrics screen = s_.desktop.screen();
    if (record_.ScreenDimX.isZero() || record_.ScreenDimY.isZero()) {
        // First run: the setup dialog alone, offering the size the monitor reports.
        frmOdovexSetup& setup = setupDialog();
        if (record_.ScreenDimX.isZero() && record_.ScreenDimY.isZero()) {
            setup.SuggestSize(screen);
        }
        setup.show();
        setup.activateWindow();
        splash().hide();
        hideMainWindow();
        hiddenAtLoad_ = true;
        setup.activateWindow();
    }
    MeasureScreen(record_, screen);
    // Monitors that change are measured at once, not only by Timer2.
    s_.desktop.setScreenHandler([this] { Timer2_Timer(); });
    record_.PrevCursorValid = kFalse;
    if (record_.SinceDate == QLatin1String("Start")) {
        record_.SinceDate = GeneralDateTimeText(s_.clock.now());
    }
    labels_.write(Label::SinceDate, record_.SinceDate);
    const QString zero = QStringLiteral("0");
    if (record_.ClicksToday.isZero()) {
        labels_.write(Label::InputClicks, zero);
    } else {
        labels_.writeCount(Label::InputClicks, record_.ClicksToday);
    }
    if (record_.ClicksTotal.isZero()) {
        labels_.write(Label::TotalInputClicks, zero);
    } else {
        labels_.writeCount(Label::TotalInputClicks, record_.ClicksTotal);
    }
    record_.ProbeArmed = kFalse;
    tick_.start();
    // The form timers count from here, so none of them acts during start-up.
    for (QTimer* timer : {&Timer1, &Timer2, &Timer3, &Timer4}) {
        timer->start();
    }
    loaded_ = true;
    if (!hiddenAtLoad_) {
        show();
    }
    if (s_.waylandSession) {
        showWaylandNotice();
    }
    return true;
}

void frmOdovex::showWaylandNotice() {
    const QString text = QStringLiteral(
        "This is a Wayland session: Odovex sees only the input and the windows of X11 "
        "applications, so it counts only while you use those.");
    Complain(text);
    if (s_.trayAvailable()) {
        STI1->showMessage(kTitle, text, QSystemTrayIcon::Warning);
        return;
    }
    // Told without waiting for an answer: counting goes on from the start.
    auto* box = new QMessageBox(QMessageBox::Warning, kTitle, text, QMessageBox::Ok, this);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

bool frmOdovex::Initialize() {
    // Saves of this file stopped midway (killed, a power failure) left their temporary files;
    // the locks taken show that no other run saves it now.
    const QDateTime started = s_.clock.now();
    for (const char* name : {kStatsFileName, kHistoryFileName}) {
        for (const QString& left : RemoveLeftTemporaries(QLatin1String(name), started)) {
            Complain(
                QStringLiteral("removed %1, left by a save that was stopped midway").arg(left));
        }
    }
    // By its bare name: AppPath is the current directory, and its text may not name it (a
    // directory name that is not UTF-8 is decoded lossily).
    const LoadResult loaded = ReadStatsFile(QLatin1String(kStatsFileName), record_, [this] {
        RecordLoaded();
        return true;
    });
    if (loaded) {
        const QString problem = history_.load(QString(), s_.clock.now()); // by its bare name too
        if (!problem.isEmpty()) {
            Complain(problem);
            STI1->showMessage(kTitle, problem, QSystemTrayIcon::Warning);
        }
        const QDate modified = QFileInfo(QLatin1String(kStatsFileName)).lastModified().date();
        const QDate savedOn = modified.isValid() ? modified : s_.clock.now().date();
        // A day written under another locale is the same day: the check below compares texts.
        record_.LastDate = LastDateInLocale(record_.LastDate, savedOn);
        history_.start(record_, s_.clock.now().date(), savedOn);
        DateCheck(record_, labels_, s_.clock, &history_);
    }
    if (!loaded) {
        Complain(
            QStringLiteral("cannot load %1: %2")
                .arg(QDir(record_.AppPath).filePath(QLatin1String(kStatsFileName)), loaded.reason));
        s_.messages.MsgBox({QStringLiteral("Odovex must be started from its directory"), kTitle,
                            MsgButtons::OkOnly, MsgIcon::Exclamation});
        s_.end(1);
        return false;
    }
    if (history_.unsaved()) {
        SaveHistory(); // a day that ended since the last run, or counts the history lacked
    }
    return true;
}

void frmOdovex::RecordLoaded() {
    // Setting the box replays the stored choice: a change to ticked runs AutoStart, which makes
    // the login entry anew; unticked is the box's state already, so nothing is called.
    frmOdovexSetup& setup = setupDialog();
    if (record_.AutoStartOn != kFalse) {
        setup.chkAutoStart->setChecked(true);
        hideMainWindow();
        hiddenAtLoad_ = true;
        splash().show();
        splash().Timer1.start();
    } else {
        setup.chkAutoStart->setChecked(false);
    }
}

void frmOdovex::Timer1_Timer() {
    const QString day = record_.LastDate;
    DateCheck(record_, labels_, s_.clock, &history_);
    if (record_.LastDate != day) {
        SaveHistory(); // the day that ended, final
    }
}

void frmOdovex::Timer2_Timer() {
    MeasureScreen(record_, s_.desktop.screen());
}

void frmOdovex::Timer3_Timer() {
    ::Timer3_Timer(record_);
    Timer3.stop();
}

void frmOdovex::Timer4_Timer() {
    if (::Timer4_Timer(Timer4Count)) {
        DataOut();
    }
}

bool frmOdovex::DataOut() {
    tick_.catchUp(); // a save may come on a socket, before which no ticks ran
    // The current directory is AppPath for the whole run: nothing in the program changes it.
    const SaveResult saved = WriteStatsFile(QString(), record_);
    if (!saved) {
        reportSaveFailure(kStatsFileName, QStringLiteral("statistics"), saved.error);
    }
    SaveHistory();
    return saved.ok;
}

void frmOdovex::SaveHistory() {
    history_.update(record_);
    const SaveResult kept = history_.save(QString());
    if (!kept) {
        reportSaveFailure(kHistoryFileName, QStringLiteral("history"), kept.error);
    }
}

void frmOdovex::reportSaveFailure(const char* fileName, const QString& what, const QString& error) {
    Complain(QStringLiteral("could not save %1 in %2: %3")
                 .arg(QLatin1String(fileName), record_.AppPath, error));
    if (!desktopGone_) {
        STI1->showMessage(kTitle,
                          QStringLiteral("Odovex could not save its %1: %2. It goes on "
                                         "counting and tries again at the next save.")
                              .arg(what, error),
                          QSystemTrayIcon::Warning);
    }
}

void frmOdovex::Quit() {
    const MsgResult answer = s_.messages.MsgBox({QStringLiteral("Are you sure you want to quit?"),
                                                 QStringLiteral("Exit Odovex"), MsgButtons::YesNo,
                                                 MsgIcon::None, MsgResult::Yes});
    if (answer != MsgResult::Yes || unloaded_) {
        return;
    }
    const bool saved = DataOut();
    if (!saved) {
        // Ending now would lose every count since the last good save: only on a second Yes.
        const MsgResult anyway = s_.messages.MsgBox(
            {QStringLiteral("Odovex could not save its statistics.\r\nQuit anyway and lose the "
                            "counts since the last save?"),
             QStringLiteral("Exit Odovex"), MsgButtons::YesNo, MsgIcon::Exclamation,
             MsgResult::No});
        if (anyway != MsgResult::Yes || unloaded_) {
            return;
        }
    }
    tick_.stop();
    unloaded_ = true;
    s_.end(saved ? 0 : 1);
}

bool frmOdovex::Form_Unload() {
    if (!loaded_ || unloaded_) {
        return true;
    }
    unloaded_ = true;
    tick_.stop();
    return DataOut();
}

void frmOdovex::SessionSave() {
    if (loaded_ && !unloaded_) {
        DataOut();
    }
}

void frmOdovex::UnloadAtExit() {
    desktopGone_ = true;
    Form_Unload();
}
