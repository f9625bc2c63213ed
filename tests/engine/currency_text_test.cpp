#include "engine/CurrencyText.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

std::optional<Currency> En(const QString& text) {
    return CurrencyFromText(text, u".", u",");
}
std::optional<Currency> De(const QString& text) {
    return CurrencyFromText(text, u",", u".");
}

} // namespace

TEST(CurrencyText, WritesThePlainDecimalForm) {
    EXPECT_EQ(CurrencyToText(Currency(), u"."), "0");
    EXPECT_EQ(CurrencyToText(Currency::fromRaw(140000), u"."), "14");
    EXPECT_EQ(CurrencyToText(Currency::fromRaw(105000), u"."), "10.5");
    EXPECT_EQ(CurrencyToText(Currency::fromRaw(-2500), u","), "-0,25");
    EXPECT_EQ(CurrencyToText(Currency::fromRaw(INT64_MIN), u"."), "-922337203685477.5808");
    EXPECT_EQ(CurrencyToText(Currency::fromRaw(40002500), u"."), "4000.25");
}

TEST(CurrencyText, ReadsExactlyAndRoundsToFourDecimals) {
    EXPECT_EQ(En(" 45.5 ")->raw(), 455000);
    EXPECT_EQ(En("1,234.5")->raw(), 12345000);
    EXPECT_EQ(En("-12")->raw(), -120000);
    EXPECT_EQ(En(".5")->raw(), 5000);
    EXPECT_EQ(En("3.")->raw(), 30000);
    EXPECT_EQ(En("0.00005")->raw(), 0);
    EXPECT_EQ(En("0.00015")->raw(), 2);
    EXPECT_EQ(En("0.000051")->raw(), 1);
    EXPECT_EQ(En("922337203685477.5807")->raw(), INT64_MAX);
    EXPECT_EQ(En("-922337203685477.5808")->raw(), INT64_MIN);
    EXPECT_EQ(De("45,5")->raw(), 455000);
    EXPECT_EQ(De("1.234,5")->raw(), 12345000);
}

TEST(CurrencyText, RejectsWhatIsNotANumberOrDoesNotFit) {
    for (const char* text : {"", " ", ".", "1.2.3", "12a", "abc", "--1", "1,", ",1", "1 2",
                             "InValid", "Please re-enter."}) {
        EXPECT_FALSE(En(text)) << text;
    }
    EXPECT_FALSE(En("922337203685477.5808"));
    EXPECT_FALSE(En("99999999999999999999999999999999999999999999"));
    EXPECT_FALSE(En("922337203685477.58075"));
}
