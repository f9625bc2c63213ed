#include "engine/Currency.h"
#include "engine/CurrencyText.h"

#include <QString>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// Doubles convert to the nearest ten-thousandth and amounts round to whole numbers, both with
// ties to the even neighbour.
TEST(Currency, ConvertsDoublesAndRoundsToWholeNumbersTiesToEven) {
    const std::pair<double, std::int64_t> toRaw[] = {
        {0.05, 500},  {45.5, 455000}, {1.23456, 12346}, {-1.23454, -12345}, {0.00005, 0},
        {0.00025, 2}, {0.00035, 4},   {2.00015, 20002}, {-0.00025, -2}};
    for (const auto& [value, raw] : toRaw) {
        EXPECT_EQ(Currency::fromDouble(value)->raw(), raw) << value;
    }
    const std::pair<std::int64_t, std::int64_t> toWhole[] = {
        {25000, 2}, {35000, 4}, {-25000, -2}, {-25001, -3}, {12340000, 1234}};
    for (const auto& [raw, whole] : toWhole) {
        EXPECT_EQ(Currency::fromRaw(raw).roundedToInt(), whole) << raw;
    }
}

TEST(Currency, ReportsOverflowInsteadOfWrapping) {
    for (const double value : {1e15, -1e15, std::nan(""), std::numeric_limits<double>::infinity(),
                               922337203685477.5808 /* 2^63 ten-thousandths */}) {
        EXPECT_FALSE(Currency::fromDouble(value)) << value;
    }
    EXPECT_TRUE(Currency::fromDouble(922337203685477.0));
    EXPECT_FALSE(Currency::fromInt(922337203685478));
    EXPECT_EQ(Currency::fromInt(-922337203685477)->raw(), -9223372036854770000);

    Currency max = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(max.plus(Currency::fromRaw(1)));
    EXPECT_FALSE(max.add(Currency::fromRaw(1)));
    EXPECT_EQ(max.raw(), std::numeric_limits<std::int64_t>::max());
}

// Amounts as text: the plain decimal form, written and read back with either separator.
TEST(CurrencyText, WritesAndReadsExactlyRoundingToFourDecimals) {
    for (const auto& [raw, text] :
         std::vector<std::pair<std::int64_t, const char*>>{{0, "0"},
                                                           {140000, "14"},
                                                           {105000, "10.5"},
                                                           {-2500, "-0,25"},
                                                           {40002500, "4000.25"},
                                                           {INT64_MIN, "-922337203685477.5808"}}) {
        EXPECT_EQ(CurrencyToText(Currency::fromRaw(raw), raw == -2500 ? u"," : u"."), text);
    }
    for (const auto& [text, raw] :
         std::vector<std::pair<const char*, std::int64_t>>{{" 45.5 ", 455000},
                                                           {"1,234.5", 12345000},
                                                           {"-12", -120000},
                                                           {".5", 5000},
                                                           {"3.", 30000},
                                                           {"0.00005", 0},
                                                           {"0.00015", 2},
                                                           {"0.000051", 1},
                                                           {"922337203685477.5807", INT64_MAX},
                                                           {"-922337203685477.5808", INT64_MIN}}) {
        EXPECT_EQ(CurrencyFromText(QString(text), u".", u",")->raw(), raw) << text;
    }
    EXPECT_EQ(CurrencyFromText(QString("1.234,5"), u",", u".")->raw(), 12345000);
}

TEST(CurrencyText, RejectsWhatIsNotANumberOrDoesNotFit) {
    for (const char* text :
         {"", " ", ".", "1.2.3", "12a", "abc", "--1", "1,", ",1", "1 2", "InValid",
          "Please re-enter.", "922337203685477.5808",
          "99999999999999999999999999999999999999999999", "922337203685477.58075"}) {
        EXPECT_FALSE(CurrencyFromText(QString(text), u".", u",")) << text;
    }
}
