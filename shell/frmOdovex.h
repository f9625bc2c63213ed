#pragma once

#include "MessageBoxes.h"
#include "TickDriver.h"
#include "engine/Labels.h"
#include "engine/SampleTick.h"
#include "engine/StatsRecord.h"
#include "store/History.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class AutostartEntry;
class Clock;
class DesktopProbe;
class QLabel;
class QPushButton;
class TickTimer;
class frmAbout;
class frmHistory;
class frmOdovexSetup;
class frmSplash;

// What the main window runs on. Tests pass a fake desktop, a fixed clock, scripted message
// boxes, a hand-driven tick timer and an `end` that returns.
struct ShellServices {
    StatsRecord& record;
    DesktopProbe& desktop;
    const Clock& clock;
    MessageBoxes& messages;
    AutostartEntry& autostart;
    std::unique_ptr<TickTimer> tickTimer;
    // Claims the single-instance lock; false when another Odovex runs.
    std::function<bool()> claimInstance;
    // Ends the process at once with the exit code: no further handler runs.
    std::function<void(int)> end;
    // Whether a notification area shows the tray icon; without one, hiding minimises.
    std::function<bool()> trayAvailable = [] {
        return QSystemTrayIcon::isSystemTrayAvailable();
    };
    // A Wayland session, where Odovex sees only X11 applications: start-up says so once.
    bool waylandSession = false;
};

// The main window: the statistics, the commands, the tray icon, and the run from start-up to
// the end. The engine writes its value labels through LabelSink.
class frmOdovex : public QMainWindow, public LabelSink {
    Q_OBJECT
public:
    explicit frmOdovex(ShellServices services);
    ~frmOdovex() override;

    // Start-up, from the single-instance check to the installed tick. False when the run ended
    // here (another instance, or a file that did not load) after its message.
    bool Form_Load();
    // Reads the statistics file, replaying AutoStart after each record, then checks the day.
    bool Initialize();
    // Saves the statistics file. A failure is reported without stopping the count; the next
    // save tries again.
    bool DataOut();
    // Asks, saves, stops the tick, ends: with status 1 when the counts since the last good save
    // are lost (the user quits after a failed save).
    void Quit();
    // The end of a run that the desktop ends (signal, session end, lost X connection): stops the
    // tick and saves. Runs at most once, never after Quit's save, never before a good load.
    // False when its save failed, so that the process does not end with success.
    bool Form_Unload();
    // The session manager asks for the data before the session ends (it may yet be cancelled):
    // saves and goes on counting.
    void SessionSave();
    // Form_Unload once the X connection is gone: a failed save is told on stderr alone.
    void UnloadAtExit();

    // Label texts reach the window at most ten times a second, and not at all while it is out
    // of sight (hidden or minimised) until it comes back: the ticks may write them a thousand
    // times a second, and each showing costs a layout and a repaint (about 0.05% of a core
    // here). A change after a pause shows at once.
    void setLabel(Label label, const QString& text) override;
    // Shows the texts written since the last showing at once.
    void showLabels();
    static constexpr int kLabelRefreshMs = 100;
    MainLabels& labels() { return labels_; }

    // Plain modeless show (un-minimised); hide goes to the tray, or minimises without one.
    void showMainWindow();
    void hideMainWindow();

    void cmdHide_Click();
    void cmdReset_Click();
    void cmdSetup_Click();
    void mnuProgram_Click();
    void mnuAbout_Click();
    // Opens the History window (File > History..., the tray icon's menu); the main window stays.
    void mnuHistory_Click();
    void STI1_Click() { showMainWindow(); }
    void STI1_DblClick() { showMainWindow(); }

    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();

    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;
    QTimer Timer4;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildWindow();
    QLabel* addLabel(const char* name, const QString& caption, int left, int top, int width,
                     double points, bool bold);
    QPushButton* addButton(const char* name, const QString& caption, int left,
                           void (frmOdovex::*handler)());
    void buildMenus();
    void startTimers();
    void RecordLoaded();
    frmOdovexSetup& setupDialog();
    frmSplash& splash();
    // Brings today's history row up to date and saves the history; a failure is reported like a
    // failed save of the statistics, which it never touches.
    void SaveHistory();
    void reportSaveFailure(const char* fileName, const QString& what, const QString& error);
    void buildTrayMenu();
    void showWaylandNotice();

    ShellServices s_;
    StatsRecord& record_;
    MainLabels labels_;
    SampleTick sampleTick_;
    TickDriver tick_;
    std::array<QLabel*, kLabelCount> valueLabels_{};
    QTimer labelTimer_;
    QElapsedTimer sinceShown_;
    std::uint32_t unshownLabels_ = 0; // one bit per Label
    QSystemTrayIcon* STI1 = nullptr;
    std::unique_ptr<frmOdovexSetup> setup_;
    std::unique_ptr<frmSplash> splash_;
    QPointer<frmAbout> about_;
    std::unique_ptr<frmHistory> historyWindow_;
    DayHistory history_;
    std::int16_t Timer4Count = 0;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool desktopGone_ = false;
    bool hiddenAtLoad_ = false;
    bool closeNoticeShown_ = false;
};
