#pragma once

#include "Currency.h"

#include <QString>
#include <cstdint>

class QLocale;

// The user's locale with digit grouping switched on, as the number patterns need it.
QLocale GroupingLocale();

// The count pattern "###,###": whole number, digits grouped by the locale, no leading zeros,
// so zero gives the empty text. Whoever shows a zero count writes "0" instead.
QString FormatCount(Currency value);
// The distance pattern "###,###.00": grouped, exactly two decimals (rounded to nearest, ties to
// even), and no digit before the decimal separator when the value is below 1 (0.5 gives ".50").
// Digits are ASCII; the separators are the locale's.
QString FormatDistance(double value);
// The same pattern for a value already rounded to hundredths.
QString FormatHundredths(std::int64_t hundredths);
std::int64_t Hundredths(double value);

// Inches per foot and per meter.
inline constexpr double kInchesPerFoot = 12.0;
inline constexpr double kInchesPerMeter = 39.3701;
inline constexpr double kCentimetresPerInch = 2.54;

enum class UnitSystem { None, English, Metric };
// "English" and "Metric" are compared exactly; any other text shows no distance.
UnitSystem UnitsOf(const QString& units);

// The distance shown for travel held in inches, in hundredths of a foot or a meter: the text
// changes exactly when this does.
std::int64_t DistanceHundredths(Currency travelInches, UnitSystem units);

// The text a distance label shows for travel held in inches: the distance pattern followed by
// " Feet" or " Meters". A null string under UnitSystem::None (the labels are left alone).
QString DistanceText(Currency travelInches, UnitSystem units);
