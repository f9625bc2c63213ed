#pragma once

#include "engine/StatsRecord.h"

#include <QWidget>
#include <functional>

class AutostartEntry;
class QCheckBox;

// The setup dialog: units, screen dimensions, start with login. One instance for the run,
// created hidden; its load step runs in the constructor.
class frmOdovexSetup : public QWidget {
    Q_OBJECT
public:
    frmOdovexSetup(StatsRecord& record, AutostartEntry& shortcut, QWidget* parent = nullptr);

    // Applies the state of chkAutoStart: stores it in AutoStartOn and makes or removes the entry.
    void AutoStart();

    // Start-up replays the stored AutoStart choice by setting this box; a change of its value,
    // by the user or by code, runs AutoStart.
    QCheckBox* chkAutoStart = nullptr;

    // The system beep; tests count it.
    std::function<void()> beep;

signals:
    // OK stored both dimensions: the main window is to be shown.
    void showMainWindow();

private:
    StatsRecord& record_;
    AutostartEntry& shortcut_;
};
