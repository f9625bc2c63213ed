#include "StoreTesting.h"
#include "engine/Reset.h"
#include "platform/Clock.h"
#include "platform/fake/FakeClock.h"
#include "store/DateCheck.h"
#include "store/History.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

struct History : StoreTest {
    QTemporaryDir dir;
    FakeClock clock{QDateTime(QDate(2024, 5, 15), QTime(23, 59, 50))};
    MainLabels labels;
    StatsRecord record = ExampleRecord(); // 5/15/24: 12 clicks, 3 windows, 45.5 inches
    DayHistory history;

    QString path() const { return dir.filePath(kHistoryFileName); }
    QStringList names() const {
        return QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    }
    // A start of the program: the history read, the loaded counters' day opened, the day checked.
    QString start(const QDate& savedOn) {
        const QString told = history.load(dir.path(), clock.moment);
        record.LastDate = LastDateInLocale(record.LastDate, savedOn);
        history.start(record, clock.moment.date(), savedOn);
        DateCheck(record, labels, clock, &history);
        return told;
    }
    QByteArray saved() {
        history.update(record);
        EXPECT_TRUE(history.save(dir.path()));
        return FileBytes(path());
    }
};

const QByteArray kHeader = "date,clicks,windows,travel_inches\n";

} // namespace

// The clock moves while the program runs, the day check follows, the history is saved, then a
// click is counted, pending at the next move: a day that the clock returns to adds to its row, a
// day slept through (a suspend) gets none, the day that ends gets its pending clicks.
TEST_F(History, ClockJumpsGiveEachDayItsOwnCountsOnce) {
    record.LastDate = ShortDateText(clock.moment.date()); // 5/15 23:59:50, 12 clicks
    start(clock.moment.date());
    const QByteArray day15 = "2024-05-15,13,3,45.5\n", day16 = "2024-05-16,1,0,0\n";
    const struct {
        qint64 seconds;
        QByteArray rows;
    } moves[] = {
        {-3 * 3600, "2024-05-15,12,3,45.5\n"},             // back, the same day
        {3 * 3600 + 20, day15},                            // past midnight
        {-24 * 3600, day15 + day16},                       // back a day
        {2 * 24 * 3600, "2024-05-15,14,3,45.5\n" + day16}, // a suspend
    };
    for (const auto& move : moves) {
        clock.moment = clock.moment.addSecs(move.seconds);
        DateCheck(record, labels, clock, &history);
        EXPECT_EQ(saved(), kHeader + move.rows) << move.seconds;
        EXPECT_EQ(record.LastDate, ShortDateText(clock.moment.date()));
        record.PendingClicks += 1;
    }
}

TEST_F(History, AStartOnALaterDayClosesTheSavedDayAndAResetKeepsWhatItZeroes) {
    PutFile(path(), kHeader + "2024-05-12,1,1,1\n");
    record.LastDate = QStringLiteral("5/14/24");
    start(QDate(2024, 5, 14));
    EXPECT_EQ(saved(), kHeader + "2024-05-12,1,1,1\n2024-05-14,12,3,45.5\n");

    record.ClicksToday = Amount(10);
    record.PendingClicks = 2;
    history.keepCounts(record);
    ResetCounters(record, labels, QStringLiteral("5/15/24 9:00:00 AM"));
    record.ClicksToday = Amount(4);
    EXPECT_TRUE(saved().endsWith("2024-05-15,16,0,0\n"));
    // The next start of the same day takes the row's counts beyond the saved counters as kept.
    start(QDate(2024, 5, 15));
    record.WindowsToday = Amount(1);
    EXPECT_TRUE(saved().endsWith("2024-05-14,12,3,45.5\n2024-05-15,16,1,0\n"));
}

TEST_F(History, AFailedSaveKeepsTheRowsForTheNextAndNeverTouchesTheStatisticsFile) {
    PutFile(dir.filePath(kStatsFileName), kExampleBytes);
    start(clock.moment.date());
    const SaveResult failed = history.save(dir.filePath("gone"));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.error.contains(kHistoryFileName)) << failed.error.toStdString();
    EXPECT_TRUE(history.unsaved());
    EXPECT_EQ(saved(), kHeader + "2024-05-15,12,3,45.5\n");
    EXPECT_FALSE(history.unsaved());
    EXPECT_EQ(FileBytes(dir.filePath(kStatsFileName)), kExampleBytes);
}

TEST_F(History, AFileThatDoesNotParseIsKeptAsideOnceAndANewHistoryBegins) {
    const QByteArray damaged[] = {
        "date;clicks\n2024-05-14;1\n",
        kHeader + "2024-5-14,1,1,1\n",
        kHeader + "2024-02-30,1,1,1\n",
        kHeader + "2024-05-14,1,1\n",
        kHeader + "2024-05-14,1,x,1\n",
        kHeader + "2024-05-14,1,1,1,\n",
        kHeader + "2024-05-14,1,0,0\n2024-05-14,2,0,0\n",
    };
    const QString aside = "OdovexHistory-unreadable-20240515-235950.csv";
    for (const QByteArray& bytes : damaged) {
        PutFile(path(), bytes);
        EXPECT_TRUE(start(clock.moment.date()).contains(aside)) << bytes.toStdString();
        EXPECT_EQ(names(), QStringList({aside}));
        EXPECT_EQ(FileBytes(dir.filePath(aside)), bytes);
        EXPECT_EQ(start(clock.moment.date()), "");
        EXPECT_EQ(saved(), kHeader + "2024-05-15,12,3,45.5\n");
        ASSERT_TRUE(QFile::remove(dir.filePath(aside)) && QFile::remove(path()));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(kHistoryFileName));
    PutFile(dir.filePath(aside), "taken");
    EXPECT_TRUE(start(clock.moment.date()).contains(aside.chopped(4) + "-2.csv"));

    // Taken as they are: a byte order mark, CR LF, empty lines, rows out of order or without a
    // count, an empty file.
    const auto rows = ParseHistory("\xEF\xBB\xBF" + kHeader.chopped(1) +
                                       "\r\n2024-05-14,1,0,0\r\n\r\n2024-05-13,0,0.5,0\r\n"
                                       "2024-05-12,0,0,0\r\n",
                                   nullptr);
    ASSERT_TRUE(rows);
    EXPECT_EQ(HistoryBytes(*rows), kHeader + "2024-05-13,0,0.5,0\n2024-05-14,1,0,0\n");
    EXPECT_TRUE(ParseHistory("", nullptr));
}

TEST(DayOfDateText, ReadsTheDayInTheLocaleItWasWrittenIn) {
    const struct {
        const char* locale;
        const char* text;
        QDate savedOn;
        QDate day;
    } cases[] = {
        {"en_US", "5/15/24", {2024, 5, 15}, {2024, 5, 15}},
        {"en_US", "5/15/24", {2024, 5, 16}, {2024, 5, 15}}, // saved past midnight
        {"de_DE", "15.05.24", {2024, 5, 15}, {2024, 5, 15}},
        {"de_DE", "5/15/24", {2024, 5, 16}, {2024, 5, 15}}, // the locale changed since
        {"en_US", "15.05.24", {2024, 5, 15}, {2024, 5, 15}},
        {"en_GB", "5/6/24", {2024, 5, 6}, {2024, 5, 6}},
        {"en_US", "06/05/2024", {2024, 5, 7}, {2024, 5, 6}},
        {"en_US", "12/31/99", {2000, 1, 1}, {1999, 12, 31}},
        {"en_US", "15.\u202F5.\u202F2024", {2024, 5, 15}, {2024, 5, 15}}, // other Qt data
        {"en_NZ", "14/05/24", {2024, 5, 14}, {2024, 5, 14}},   // Qt 6.4's form of the locale
        {"en_NZ", "14/05/2024", {2024, 5, 14}, {2024, 5, 14}}, // and Qt 6.8's
        {"de_DE", "15 May 2024", {2024, 5, 16}, {2024, 5, 15}},
        {"en_US", "", {2024, 5, 15}, {2024, 5, 15}},
        {"en_US", "someday", {2024, 5, 15}, {2024, 5, 15}},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(c.locale));
        EXPECT_EQ(DayOfDateText(c.text, c.savedOn), c.day) << c.locale << " " << c.text;
        // The day check compares the text written again in this locale's form.
        EXPECT_EQ(LastDateInLocale(c.text, c.savedOn), *c.text ? ShortDateText(c.day) : "");
    }
    QLocale::setDefault(QLocale::c());
}
