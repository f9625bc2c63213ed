#include "StoreTesting.h"
#include "platform/Clock.h"
#include "platform/fake/FakeClock.h"
#include "store/DateCheck.h"
#include "tests/engine/LabelRecorder.h"

namespace {

struct Rollover : StoreTest {
    FakeClock clock{QDateTime(QDate(2024, 5, 15), QTime(0, 0, 20))};
    MainLabels labels;
    LabelRecorder recorder;
    StatsRecord record = ExampleRecord(); // LastDate 5/15/24
    void SetUp() override {
        StoreTest::SetUp();
        labels.setSink(&recorder);
        record.PendingClicks = 5;
    }
};

} // namespace

TEST_F(Rollover, ANewDayMovesPendingClicksToTheTotalAndZeroesToday) {
    record.LastDate = QStringLiteral("5/14/24");
    record.ClicksToday = Amount(100);
    record.ClicksTotal = Amount(1000);
    record.WindowsToday = Amount(7);
    record.TravelToday = Amount(12.5);
    record.PrevCursorValid = kTrue;
    DateCheck(record, labels, clock);

    StatsRecord expected = ExampleRecord();
    expected.ClicksToday = expected.WindowsToday = expected.TravelToday = Currency();
    expected.ClicksTotal = Amount(1005);
    EXPECT_EQ(StatsFileBytes(record), StatsFileBytes(expected));
    EXPECT_EQ(record.PendingClicks, 0);
    EXPECT_EQ(record.PrevCursorValid, kFalse);
    const std::vector<std::pair<Label, QString>> shown = {
        {Label::Date, "5/15/24"}, {Label::WindowsViewed, "0"}, {Label::InputClicks, "0"}};
    EXPECT_EQ(recorder.writes, shown);
}

TEST_F(Rollover, AnEmptyDateStartsADayAndAFullTotalStaysFull) {
    clock.moment = clock.moment.addDays(-1);
    record.LastDate.clear();
    record.ClicksTotal = Currency::fromRaw(INT64_MAX);
    record.PendingClicks = 5;
    DateCheck(record, labels, clock); // the total stays at the end of its range
    EXPECT_EQ(record.LastDate, "5/14/24");
    EXPECT_EQ(record.ClicksTotal, Currency::fromRaw(INT64_MAX));
    EXPECT_EQ(record.PendingClicks, 0);
}

TEST_F(Rollover, DateTextsFollowTheLocaleWithoutTimeZone) {
    const QDateTime evening(QDate(2024, 5, 14), QTime(21, 3, 7, 900));
    const QDateTime midnight(QDate(2024, 5, 14), QTime(0, 0));
    // Newer locale data (Qt 6.8's) sets AM and PM off with a narrow no-break space.
    const auto spaced = [](QString text) {
        return text.replace(QChar(0x202F), u' ');
    };
    EXPECT_EQ(spaced(GeneralDateTimeText(evening)), "5/14/24 9:03:07 PM");
    EXPECT_EQ(GeneralDateTimeText(midnight), "5/14/24");
    EXPECT_EQ(spaced(GeneralDateTimeText(midnight.addSecs(1))), "5/14/24 12:00:01 AM");

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ShortDateText(evening.date()), "14.05.24");
    EXPECT_EQ(GeneralDateTimeText(evening), "14.05.24 21:03:07");
    // The zone stands before the time, in brackets, in parentheses.
    for (const char* name : {"zh_CN", "zh_HK", "ca_ES"}) {
        QLocale::setDefault(QLocale(name));
        const QString text = GeneralDateTimeText(evening);
        EXPECT_FALSE(text.contains("UTC") || text.contains("GMT") || text.contains(u"  ") ||
                     text.endsWith(u' ') || text.contains("()") || text.contains("[]"))
            << text.toStdString();
    }
}
