#pragma once

#include <cstdint>
#include <optional>

// A fixed-point amount with exactly four decimals: the value times 10,000 held in a signed
// 64-bit integer. Sums are exact. Every operation that would leave the 64-bit range reports
// it (an empty optional, or false) instead of wrapping.
class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t raw) {
        Currency c;
        c.raw_ = raw;
        return c;
    }
    // Exact; empty when value × 10,000 does not fit.
    static std::optional<Currency> fromInt(std::int64_t value);
    // value × 10,000 rounded to the nearest integer, ties to even; empty for NaN, infinity
    // and results outside the 64-bit range.
    static std::optional<Currency> fromDouble(double value);

    constexpr std::int64_t raw() const { return raw_; }
    constexpr bool isZero() const { return raw_ == 0; }
    double toDouble() const { return static_cast<double>(raw_) / kScale; }
    // The value rounded to a whole number, ties to even.
    std::int64_t roundedToInt() const;

    std::optional<Currency> plus(Currency other) const;
    // Adds in place; on overflow leaves the value unchanged and returns false.
    [[nodiscard]] bool add(Currency other);
    // The sum, held at the end of the range that it would pass: a count at its limit stays there.
    Currency clampedPlus(Currency other) const;

    // Written out rather than defaulted with <=>: Qt's moc cannot parse <compare>.
    friend constexpr bool operator==(Currency a, Currency b) { return a.raw_ == b.raw_; }
    friend constexpr bool operator!=(Currency a, Currency b) { return a.raw_ != b.raw_; }
    friend constexpr bool operator<(Currency a, Currency b) { return a.raw_ < b.raw_; }
    friend constexpr bool operator>(Currency a, Currency b) { return a.raw_ > b.raw_; }
    friend constexpr bool operator<=(Currency a, Currency b) { return a.raw_ <= b.raw_; }
    friend constexpr bool operator>=(Currency a, Currency b) { return a.raw_ >= b.raw_; }

private:
    std::int64_t raw_ = 0;
};
