#pragma once

#include "Currency.h"

#include <QString>
#include <QStringView>
#include <optional>

class QLocale;

// The plain decimal form: an optional minus, the integer digits without grouping, and only when
// there is a fraction, `decimalPoint` and its digits without trailing zeros (14, 10.5, -0.25).
QString CurrencyToText(Currency value, QStringView decimalPoint);
QString CurrencyToText(Currency value, const QLocale& locale);

// Exact decimal text to Currency: spaces around are ignored; an optional sign; digits, with
// `groupSeparator` allowed between digits of the integer part; at most one `decimalPoint`
// followed by digits, rounded to four decimals (ties to even). Empty when the text is not such
// a number (empty, a lone separator, two decimal points, letters) or is beyond the range.
std::optional<Currency> CurrencyFromText(QStringView text, QStringView decimalPoint,
                                         QStringView groupSeparator);
std::optional<Currency> CurrencyFromText(QStringView text, const QLocale& locale);
