#pragma once

#include "SizeSuggestion.h"
#include "engine/StatsRecord.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

class AutostartEntry;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ScreenMetrics;

// The setup dialog: units, screen dimensions, start with login. One instance for the run,
// created hidden; its load step runs in the constructor. OK stores the dimensions; the units and
// the AutoStart choice take effect the moment they are clicked, a change of units converting the
// dimensions in the record and in the boxes to the new unit.
class frmOdovexSetup : public QWidget {
    Q_OBJECT
public:
    frmOdovexSetup(StatsRecord& record, AutostartEntry& shortcut, QWidget* parent = nullptr);

    // Applies the state of chkAutoStart: stores it in AutoStartOn and makes or removes the entry.
    void AutoStart();

    // Offers the monitor's size, when it reports a plausible one, in the dimension boxes: in the
    // chosen unit with two decimals, now or when a unit is chosen, as long as both boxes hold 0
    // or the last offer and no OK has stored dimensions. What the user typed is never replaced.
    void SuggestSize(const ScreenMetrics& screen);

    // Start-up replays the stored AutoStart choice by setting this box; a change of its value,
    // by the user or by code, runs AutoStart.
    QCheckBox* chkAutoStart = nullptr;

    // The system beep; tests count it.
    std::function<void()> beep;

signals:
    // OK stored both dimensions, or the frame closed the dialog: the main window is to be shown.
    void showMainWindow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void optEnglish_Click();
    void optMetric_Click();
    // Typed character codes; setting KeyAscii to 0 discards the keystroke.
    void txtXDim_KeyPress(std::int16_t& KeyAscii);
    void txtYDim_KeyPress(std::int16_t& KeyAscii);
    void cmdOk_Click();
    void chkAutoStart_Click();
    void offerSuggestion();
    // Sets the record's units; a change between English and Metric converts the dimensions.
    void changeUnits(const QString& units);

    StatsRecord& record_;
    AutostartEntry& shortcut_;
    std::optional<SizeInches> suggestion_;
    QString offeredX_;
    QString offeredY_;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QRadioButton* optEnglish = nullptr;
    QRadioButton* optMetric = nullptr;
    QLineEdit* txtXDim = nullptr;
    QLineEdit* txtYDim = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdOk = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
};
