#include "CurrencyText.h"

#include <QLocale>
#include <cstdint>

QString CurrencyToText(Currency value, QStringView decimalPoint) {
    const std::int64_t raw = value.raw();
    const std::uint64_t magnitude = raw < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(raw)
                                            : static_cast<std::uint64_t>(raw);
    QString text = raw < 0 ? QStringLiteral("-") : QString();
    text += QString::number(magnitude / Currency::kScale);
    std::uint64_t fraction = magnitude % Currency::kScale;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        text += decimalPoint;
        text += QString::number(fraction).rightJustified(digits, u'0');
    }
    return text;
}

QString CurrencyToText(Currency value, const QLocale& locale) {
    return CurrencyToText(value, locale.decimalPoint());
}

std::optional<Currency> CurrencyFromText(QStringView text, QStringView decimalPoint,
                                         QStringView groupSeparator) {
    QStringView rest = text.trimmed();
    bool negative = false;
    if (rest.startsWith(u'-') || rest.startsWith(u'+')) {
        negative = rest.front() == u'-';
        rest = rest.mid(1);
    }
    // Accumulate as a non-negative count of ten-thousandths in unsigned 128 bits: no digit
    // string of any length can wrap it before the range check below stops the loop.
    unsigned __int128 whole = 0;
    constexpr unsigned __int128 kMax = static_cast<unsigned __int128>(INT64_MAX) + 1;
    bool digitSeen = false;
    bool lastWasDigit = false;
    qsizetype i = 0;
    for (; i < rest.size(); ++i) {
        const QChar c = rest[i];
        if (c >= u'0' && c <= u'9') {
            whole = whole * 10 + static_cast<unsigned>(c.unicode() - u'0');
            if (whole > kMax) {
                return std::nullopt;
            }
            digitSeen = lastWasDigit = true;
        } else if (!groupSeparator.isEmpty() && lastWasDigit &&
                   rest.mid(i).startsWith(groupSeparator) && groupSeparator != decimalPoint) {
            i += groupSeparator.size() - 1;
            lastWasDigit = false;
        } else {
            break;
        }
    }
    if (digitSeen && !lastWasDigit) {
        return std::nullopt; // a group separator not followed by a digit
    }
    // Fraction: four digits kept, the fifth and beyond decide the rounding.
    std::uint64_t fraction = 0;
    int fractionDigits = 0;
    int roundDigit = -1;         // first dropped digit
    bool droppedNonZero = false; // any non-zero digit after it
    if (i < rest.size()) {
        if (!rest.mid(i).startsWith(decimalPoint) || decimalPoint.isEmpty()) {
            return std::nullopt;
        }
        i += decimalPoint.size();
        for (; i < rest.size(); ++i) {
            const QChar c = rest[i];
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            const int digit = c.unicode() - u'0';
            digitSeen = true;
            if (fractionDigits < 4) {
                fraction = fraction * 10 + digit;
                ++fractionDigits;
            } else if (roundDigit < 0) {
                roundDigit = digit;
            } else if (digit != 0) {
                droppedNonZero = true;
            }
        }
    }
    if (!digitSeen) {
        return std::nullopt;
    }
    for (; fractionDigits < 4; ++fractionDigits) {
        fraction *= 10;
    }
    unsigned __int128 raw = whole * Currency::kScale + fraction;
    if (roundDigit > 5 || (roundDigit == 5 && (droppedNonZero || (raw & 1) != 0))) {
        ++raw;
    }
    if (raw > (negative ? kMax : kMax - 1)) {
        return std::nullopt;
    }
    const auto magnitude = static_cast<std::uint64_t>(raw);
    return Currency::fromRaw(negative ? static_cast<std::int64_t>(std::uint64_t{0} - magnitude)
                                      : static_cast<std::int64_t>(magnitude));
}

std::optional<Currency> CurrencyFromText(QStringView text, const QLocale& locale) {
    return CurrencyFromText(text, locale.decimalPoint(), locale.groupSeparator());
}
