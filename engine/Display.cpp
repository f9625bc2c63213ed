#include "Display.h"

#include <QLocale>
#include <cmath>
#include <cstdint>

namespace {

struct Separators {
    QString group;
    QString decimal;
};

Separators LocaleSeparators() {
    const QLocale locale;
    return {locale.groupSeparator(), locale.decimalPoint()};
}

// Digits of `magnitude` grouped in threes, a minus sign before them when `negative`.
void AppendGrouped(QString& out, std::uint64_t magnitude, bool negative, const QString& group) {
    char16_t digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        out += u'-';
    }
    for (int i = count - 1; i >= 0; --i) {
        out += QChar(digits[i]);
        if (i > 0 && i % 3 == 0) {
            out += group;
        }
    }
}

std::uint64_t Magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

} // namespace

QLocale GroupingLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

QString FormatCount(Currency value) {
    const std::int64_t whole = value.roundedToInt();
    QString text;
    if (whole != 0) {
        AppendGrouped(text, Magnitude(whole), whole < 0, LocaleSeparators().group);
    }
    return text;
}

std::int64_t Hundredths(double value) {
    const double scaled = std::nearbyint(value * 100.0);
    constexpr double kLimit = 9223372036854775808.0;
    return scaled >= -kLimit && scaled < kLimit ? static_cast<std::int64_t>(scaled) : 0;
}

QString FormatHundredths(std::int64_t hundredths) {
    const Separators separators = LocaleSeparators();
    const std::uint64_t magnitude = Magnitude(hundredths);
    QString text;
    if (magnitude >= 100) {
        AppendGrouped(text, magnitude / 100, hundredths < 0, separators.group);
    } else if (hundredths < 0) {
        text += u'-';
    }
    text += separators.decimal;
    text += QChar(u'0' + static_cast<int>(magnitude / 10 % 10));
    text += QChar(u'0' + static_cast<int>(magnitude % 10));
    return text;
}

QString FormatDistance(double value) {
    return FormatHundredths(Hundredths(value));
}

UnitSystem UnitsOf(const QString& units) {
    if (units == u"English") {
        return UnitSystem::English;
    }
    if (units == u"Metric") {
        return UnitSystem::Metric;
    }
    return UnitSystem::None;
}

std::int64_t DistanceHundredths(Currency travelInches, UnitSystem units) {
    const double perUnit = units == UnitSystem::Metric ? kInchesPerMeter : kInchesPerFoot;
    return Hundredths(travelInches.toDouble() / perUnit);
}

QString DistanceText(Currency travelInches, UnitSystem units) {
    if (units == UnitSystem::None) {
        return QString();
    }
    return FormatHundredths(DistanceHundredths(travelInches, units)) +
           (units == UnitSystem::English ? QStringLiteral(" Feet") : QStringLiteral(" Meters"));
}
