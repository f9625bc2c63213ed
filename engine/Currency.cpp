#include "Currency.h"

#include <cmath>
#include <limits>

std::optional<Currency> Currency::fromInt(std::int64_t value) {
    std::int64_t raw = 0;
    if (__builtin_mul_overflow(value, kScale, &raw)) {
        return std::nullopt;
    }
    return fromRaw(raw);
}

std::optional<Currency> Currency::fromDouble(double value) {
    // nearbyint rounds in the current mode, which is to nearest with ties to even.
    const double scaled = std::nearbyint(value * static_cast<double>(kScale));
    // 2^63 is exactly representable; every double below it converts without overflow.
    constexpr double kLimit = 9223372036854775808.0;
    if (!(scaled >= -kLimit && scaled < kLimit)) {
        return std::nullopt; // NaN fails both comparisons
    }
    return fromRaw(static_cast<std::int64_t>(scaled));
}

std::int64_t Currency::roundedToInt() const {
    std::int64_t whole = raw_ / kScale;
    const std::int64_t rest = raw_ % kScale; // same sign as raw_
    const std::int64_t half = kScale / 2;
    if (rest > half || (rest == half && (whole & 1) != 0)) {
        ++whole;
    } else if (rest < -half || (rest == -half && (whole & 1) != 0)) {
        --whole;
    }
    return whole;
}

std::optional<Currency> Currency::plus(Currency other) const {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(raw_, other.raw_, &sum)) {
        return std::nullopt;
    }
    return fromRaw(sum);
}

Currency Currency::clampedPlus(Currency other) const {
    return plus(other).value_or(fromRaw(other.raw_ < 0 ? INT64_MIN : INT64_MAX));
}

bool Currency::add(Currency other) {
    const auto sum = plus(other);
    if (!sum) {
        return false;
    }
    *this = *sum;
    return true;
}
