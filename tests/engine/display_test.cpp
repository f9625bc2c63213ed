#include "engine/Display.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

struct Display : ::testing::Test {
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

Currency Inches(double value) {
    return *Currency::fromDouble(value);
}

} // namespace

// The C locale groups too.
TEST_F(Display, CountsAndDistancesFollowThePatternsWithTheLocalesSeparators) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const struct {
        QLocale locale;
        double count;
        const char* countText;
        double distance;
        const char* distanceText;
    } rows[] = {
        {us, 0, "", 0, ".00"},
        {us, 7, "7", 0.5, ".50"},
        {us, 1234, "1,234", 1234.5, "1,234.50"},
        {us, 1234567, "1,234,567", -0.5, "-.50"},
        {us, -2.5, "-2", 0.125, ".12"}, // ties go to the even neighbour
        {de, 1234, "1.234", 1234.5, "1.234,50"},
        {de, 7, "7", 0.5, ",50"},
        {QLocale::c(), 1234, "1,234", -1234.5, "-1,234.50"},
    };
    for (const auto& row : rows) {
        QLocale::setDefault(row.locale);
        EXPECT_EQ(FormatCount(Inches(row.count)), row.countText) << row.count;
        EXPECT_EQ(FormatDistance(row.distance), row.distanceText) << row.distance;
    }
}

TEST_F(Display, ShowsFeetAndMetersFromInchesForExactlyTheseUnits) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const auto& [inches, units, text] :
         std::vector<std::tuple<double, const char*, QString>>{{30, "English", "2.50 Feet"},
                                                               {15000, "English", "1,250.00 Feet"},
                                                               {0, "Metric", ".00 Meters"},
                                                               {39.3701, "Metric", "1.00 Meters"},
                                                               {30, "english", {}},
                                                               {30, "Metric ", {}},
                                                               {30, "", {}}}) {
        EXPECT_EQ(DistanceText(Inches(inches), UnitsOf(units)), text) << inches << units;
        EXPECT_EQ(DistanceText(Inches(inches), UnitsOf(units)).isNull(), text.isNull());
    }
}
