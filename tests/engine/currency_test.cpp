#include "engine/Currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

TEST(Currency, ConvertsDoublesToNearestTiesToEven) {
    EXPECT_EQ(Currency::fromDouble(0.05)->raw(), 500);
    EXPECT_EQ(Currency::fromDouble(45.5)->raw(), 455000);
    EXPECT_EQ(Currency::fromDouble(1.23456)->raw(), 12346);
    EXPECT_EQ(Currency::fromDouble(-1.23454)->raw(), -12345);
    // Products that land exactly halfway go to the even neighbour.
    EXPECT_EQ(Currency::fromDouble(0.00005)->raw(), 0);
    EXPECT_EQ(Currency::fromDouble(0.00025)->raw(), 2);
    EXPECT_EQ(Currency::fromDouble(0.00035)->raw(), 4);
    EXPECT_EQ(Currency::fromDouble(2.00015)->raw(), 20002);
    EXPECT_EQ(Currency::fromDouble(-0.00025)->raw(), -2);
}

TEST(Currency, ReportsOverflowInsteadOfWrapping) {
    EXPECT_FALSE(Currency::fromDouble(1e15));
    EXPECT_FALSE(Currency::fromDouble(-1e15));
    EXPECT_FALSE(Currency::fromDouble(std::nan("")));
    EXPECT_FALSE(Currency::fromDouble(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(Currency::fromDouble(922337203685477.0));
    EXPECT_FALSE(Currency::fromInt(922337203685478));
    EXPECT_EQ(Currency::fromInt(-922337203685477)->raw(), -9223372036854770000);

    Currency max = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(max.plus(Currency::fromRaw(1)));
    EXPECT_FALSE(max.add(Currency::fromRaw(1)));
    EXPECT_EQ(max.raw(), std::numeric_limits<std::int64_t>::max());
}

TEST(Currency, RoundsToWholeNumbersTiesToEven) {
    EXPECT_EQ(Currency::fromRaw(25000).roundedToInt(), 2);
    EXPECT_EQ(Currency::fromRaw(35000).roundedToInt(), 4);
    EXPECT_EQ(Currency::fromRaw(-25000).roundedToInt(), -2);
    EXPECT_EQ(Currency::fromRaw(-25001).roundedToInt(), -3);
    EXPECT_EQ(Currency::fromRaw(12340000).roundedToInt(), 1234);
}
