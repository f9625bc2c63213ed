#include "engine/Display.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct Display : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

Currency Inches(double value) {
    return *Currency::fromDouble(value);
}

} // namespace

TEST_F(Display, PatternsFollowTheTable) {
    EXPECT_EQ(FormatCount(Currency()), "");
    EXPECT_EQ(FormatCount(Inches(7)), "7");
    EXPECT_EQ(FormatCount(Inches(1234)), "1,234");
    EXPECT_EQ(FormatCount(Inches(1234567)), "1,234,567");
    EXPECT_EQ(FormatDistance(0), ".00");
    EXPECT_EQ(FormatDistance(0.5), ".50");
    EXPECT_EQ(FormatDistance(1234.5), "1,234.50");
    EXPECT_EQ(FormatDistance(-0.5), "-.50");
}

TEST_F(Display, UsesTheLocalesSeparatorsEvenInTheCLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatCount(Inches(1234)), "1.234");
    EXPECT_EQ(FormatDistance(1234.5), "1.234,50");
    EXPECT_EQ(FormatDistance(0.5), ",50");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FormatCount(Inches(1234)), "1,234");
}

TEST_F(Display, ShowsFeetAndMetersFromInches) {
    EXPECT_EQ(DistanceText(Inches(30), UnitSystem::English), "2.50 Feet");
    EXPECT_EQ(DistanceText(Inches(15000), UnitSystem::English), "1,250.00 Feet");
    EXPECT_EQ(DistanceText(Inches(6), UnitSystem::English), ".50 Feet");
    EXPECT_EQ(DistanceText(Currency(), UnitSystem::English), ".00 Feet");
    EXPECT_EQ(DistanceText(Currency(), UnitSystem::Metric), ".00 Meters");
    EXPECT_EQ(DistanceText(Inches(39.3701), UnitSystem::Metric), "1.00 Meters");
    EXPECT_TRUE(DistanceText(Inches(30), UnitSystem::None).isNull());
}

TEST_F(Display, ComparesUnitsExactly) {
    EXPECT_EQ(UnitsOf("English"), UnitSystem::English);
    EXPECT_EQ(UnitsOf("Metric"), UnitSystem::Metric);
    EXPECT_EQ(UnitsOf("english"), UnitSystem::None);
    EXPECT_EQ(UnitsOf("Metric "), UnitSystem::None);
    EXPECT_EQ(UnitsOf(""), UnitSystem::None);
}
