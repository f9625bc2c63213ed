#include "SampleTick.h"

#include "platform/DesktopProbe.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr Currency kOne = Currency::fromRaw(Currency::kScale);

std::optional<std::int16_t> ToInt16(std::int64_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

// Refreshes a today count label and its total label together, when the number the today
// label shows differs from `today`.
bool RefreshCounts(MainLabels& labels, Label todayLabel, Label totalLabel, Currency today,
                   Currency total) {
    if (labels.shownCount(todayLabel) == today) {
        return false;
    }
    labels.writeCount(todayLabel, today);
    labels.writeCount(totalLabel, total);
    return true;
}

} // namespace

SampleTick::SampleTick(StatsRecord& record, DesktopProbe& desktop, MainLabels& labels)
    : r_(record), desktop_(desktop), labels_(labels) {}

bool SampleTick::operator()() {
    bool changed = ClickStep();
    changed |= WindowsStep();
    changed |= TravelStep();
    changed |= DistanceDisplay();
    return changed;
}

int SampleTick::InputProbe() {
    const bool armed = r_.ProbeArmed != 0;
    r_.ProbeKey = desktop_.pollKeys(armed);
    return armed && r_.ProbeKey != kProbeSweepDone ? r_.ProbeKey : kNoInput;
}

bool SampleTick::ClickStep() {
    r_.InputState = InputProbe();
    if (r_.InputState == r_.LastInputState) {
        return false;
    }
    r_.LastInputState = r_.InputState;
    if (r_.LastInputState != kNoInput) {
        ++r_.PendingClicks;
    }
    const Currency pending = Currency::fromRaw(r_.PendingClicks * Currency::kScale);
    if (r_.PendingClicks > kFoldAbove) {
        // A counter at the end of its range stays there, as windows and travel do.
        r_.ClicksToday = r_.ClicksToday.clampedPlus(pending);
        r_.ClicksTotal = r_.ClicksTotal.clampedPlus(pending);
        r_.PendingClicks = 0;
    }
    const Currency left = Currency::fromRaw(r_.PendingClicks * Currency::kScale);
    RefreshCounts(labels_, Label::InputClicks, Label::TotalInputClicks,
                  r_.ClicksToday.clampedPlus(left), r_.ClicksTotal.clampedPlus(left));
    return true;
}

bool SampleTick::WindowsStep() {
    r_.CurrentWindow = desktop_.foregroundWindow();
    if (r_.CurrentWindow == r_.LastWindow) {
        return false;
    }
    if (r_.WindowsToday.plus(kOne) && r_.WindowsTotal.plus(kOne)) {
        (void)r_.WindowsToday.add(kOne);
        (void)r_.WindowsTotal.add(kOne);
    }
    RefreshCounts(labels_, Label::WindowsViewed, Label::TotalWinCount, r_.WindowsToday,
                  r_.WindowsTotal);
    r_.LastWindow = r_.CurrentWindow;
    return true;
}

bool SampleTick::TravelStep() {
    const Point before = r_.CursorPoint;
    const bool wasValid = r_.PrevCursorValid != 0;
    const std::int16_t deltaXBefore = r_.DeltaX;
    const std::int16_t deltaYBefore = r_.DeltaY;

    r_.CursorPoint = desktop_.cursorPos();
    r_.CursorPosResult = 1;
    const auto x = ToInt16(r_.CursorPoint.x);
    const auto y = ToInt16(r_.CursorPoint.y);
    if (!x || !y) {
        // Outside the coordinates the record holds: skip the sample, and start afresh from the
        // next one that fits, since the path in between is unknown.
        r_.PrevCursorValid = kFalse;
        return wasValid || r_.CursorPoint != before;
    }
    if (!wasValid) {
        r_.PrevCursorX = *x;
        r_.PrevCursorY = *y;
        r_.PrevCursorValid = kTrue;
    }
    r_.CursorX = *x;
    r_.CursorY = *y;
    const auto dx = ToInt16(std::abs(r_.CursorX - r_.PrevCursorX));
    const auto dy = ToInt16(std::abs(r_.CursorY - r_.PrevCursorY));
    r_.PrevCursorX = r_.CursorX;
    r_.PrevCursorY = r_.CursorY;
    if (dx && dy) {
        r_.DeltaX = *dx;
        r_.DeltaY = *dy;
        AddTravel(*dx, *dy);
    } else {
        // A jump above 32,767 pixels in one tick is no movement the record can hold: skipped.
        r_.DeltaX = 0;
        r_.DeltaY = 0;
        r_.SampleDistance = 0;
    }
    return !wasValid || r_.CursorPoint != before || r_.DeltaX != deltaXBefore ||
           r_.DeltaY != deltaYBefore;
}

void SampleTick::AddTravel(std::int16_t deltaX, std::int16_t deltaY) {
    if (deltaX == 0 && deltaY == 0) {
        r_.SampleDistance = 0;
        return;
    }
    // The size of one pixel in inches; under "Metric" the dimensions are centimetres.
    double perInch = UnitsOf(r_.Units) == UnitSystem::Metric ? 1.0 / kCentimetresPerInch : 1.0;
    const double horizontal = r_.ScreenDimX.toDouble() / r_.ScreenPixelsX * perInch * deltaX;
    const double vertical = r_.ScreenDimY.toDouble() / r_.ScreenPixelsY * perInch * deltaY;
    r_.SampleDistance =
        static_cast<float>(std::sqrt(horizontal * horizontal + vertical * vertical));
    // A screen of 0 pixels gives no finite distance: the sample is skipped.
    const auto amount = Currency::fromDouble(r_.SampleDistance);
    if (!amount || !r_.TravelToday.plus(*amount) || !r_.TravelTotal.plus(*amount)) {
        r_.SampleDistance = 0;
        return;
    }
    (void)r_.TravelToday.add(*amount);
    (void)r_.TravelTotal.add(*amount);
}

bool SampleTick::DistanceDisplay() {
    const UnitSystem units = UnitsOf(r_.Units);
    if (units == UnitSystem::None) {
        return false;
    }
    const std::int64_t hundredths = DistanceHundredths(r_.TravelToday, units);
    if (hundredths != builtHundredths_ || units != builtUnits_ || builtText_.isNull()) {
        builtText_ = DistanceText(r_.TravelToday, units);
        builtHundredths_ = hundredths;
        builtUnits_ = units;
    }
    if (builtText_ == labels_.text(Label::DistTotal)) {
        return false;
    }
    labels_.write(Label::DistTotal, builtText_);
    labels_.write(Label::TotalDistTotal, DistanceText(r_.TravelTotal, units));
    return true;
}

void Timer3_Timer(StatsRecord& record) {
    record.ProbeArmed = kTrue;
}

void MeasureScreen(StatsRecord& record, const ScreenMetrics& screen) {
    const auto measure = [](double twips, double twipsPerPixel) -> std::int16_t {
        const double whole = std::nearbyint(twips);
        const double perPixel = std::nearbyint(twipsPerPixel);
        if (!(perPixel >= 1) || !(whole >= 0) || whole > 1e15) {
            return 0;
        }
        const auto pixels = static_cast<std::int64_t>(whole) / static_cast<std::int64_t>(perPixel);
        return pixels <= std::numeric_limits<std::int16_t>::max()
                   ? static_cast<std::int16_t>(pixels)
                   : std::int16_t{0};
    };
    record.ScreenPixelsX = measure(screen.widthTwips, screen.twipsPerPixelX);
    record.ScreenPixelsY = measure(screen.heightTwips, screen.twipsPerPixelY);
}
