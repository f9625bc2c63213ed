#pragma once

#include "Currency.h"
#include "platform/DesktopTypes.h"

#include <QString>
#include <cstdint>

// Booleans of the record: 0 is false, -1 (all bits set) is true, any non-zero value tests true.
using VbBool = std::int16_t;
inline constexpr VbBool kTrue = -1;
inline constexpr VbBool kFalse = 0;

// The input-state value of no active key (the empty input-state string). Otherwise an input
// state is the lowest active key code, 0 to 255. Only a state is kept, never a history of keys.
inline constexpr int kNoInput = -1;
// More pending clicks than this are folded into the click counters.
inline constexpr int kFoldAbove = 10000;

// The one program-wide record: counters, settings, dates and the tick's working state. Plain
// data with public fields; the statistics file keeps fields marked "saved".
struct StatsRecord {
    std::int32_t ProbeKey = 0;
    std::int32_t PendingClicks = 0; // counted clicks not yet folded into the counters
    int LastInputState = kNoInput;
    int InputState = kNoInput;
    WindowHandle CurrentWindow = 0;
    WindowHandle LastWindow = 0;
    std::int32_t CursorPosResult = 0;
    Point CursorPoint;
    std::int16_t CursorX = 0;
    std::int16_t PrevCursorX = 0;
    std::int16_t DeltaX = 0;
    std::int16_t ScreenPixelsX = 0;
    Currency ScreenDimX; // saved; inches under "English", centimetres under "Metric"
    std::int16_t CursorY = 0;
    std::int16_t PrevCursorY = 0;
    std::int16_t DeltaY = 0;
    std::int16_t ScreenPixelsY = 0;
    Currency ScreenDimY;      // saved
    float SampleDistance = 0; // inches moved on this tick
    Currency TravelToday;     // saved; inches
    VbBool PrevCursorValid = kFalse;
    Currency ClicksToday; // saved
    QString AppPath;
    VbBool AutoStartOn = kFalse; // saved
    QString Units;               // saved; "English" or "Metric", compared exactly
    QString SinceDate;           // saved; "Start" until the first start sets it
    VbBool ProbeArmed = kFalse;
    Currency WindowsToday; // saved
    Currency TravelTotal;  // saved; inches
    Currency WindowsTotal; // saved
    Currency ClicksTotal;  // saved
    QString LastDate;      // saved; the day the Today counters belong to

    friend bool operator==(const StatsRecord&, const StatsRecord&) = default;
};

// The process's one record.
StatsRecord& Stats();
