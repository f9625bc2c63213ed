#pragma once

#include "Display.h"
#include "Labels.h"
#include "StatsRecord.h"

class DesktopProbe;
struct ScreenMetrics;

// The heartbeat: run once a millisecond, it samples the desktop once and brings the record and
// the six value labels up to date, in four steps: clicks, windows viewed, travel, distance
// display. It measures no time, so it works at whatever period it is called.
class SampleTick {
public:
    SampleTick(StatsRecord& record, DesktopProbe& desktop, MainLabels& labels);

    // One tick. Returns true when it changed a field of the record or wrote a label; a tick
    // that returns false, repeated with nothing new from the desktop, changes nothing either.
    bool operator()();

    // The input-state value: the lowest active key code while armed, else kNoInput.
    int InputProbe();

private:
    bool ClickStep();
    bool WindowsStep();
    bool TravelStep();
    bool DistanceDisplay();
    void AddTravel(std::int16_t deltaX, std::int16_t deltaY);

    StatsRecord& r_;
    DesktopProbe& desktop_;
    MainLabels& labels_;
    // The today distance text depends on the hundredths shown and the units only; it is rebuilt
    // when either differs from the last build.
    std::int64_t builtHundredths_ = -1;
    UnitSystem builtUnits_ = UnitSystem::None;
    QString builtText_;
};

// Arms the input probe (Timer3 fires once, 500 ms after the main window loads).
void Timer3_Timer(StatsRecord& record);

// Sets ScreenPixelsX and ScreenPixelsY: twips and twips per pixel each rounded to a whole number
// (ties to even), then divided with truncation. A result outside 1 to 32,767 (a twips per pixel
// of 0, say) stores 0, which makes the tick skip travel until the next measurement.
void MeasureScreen(StatsRecord& record, const ScreenMetrics& screen);
