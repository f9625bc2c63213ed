#include "StoreTesting.h"

#include <QTemporaryDir>
#include <vector>

namespace {

struct StatsFile : StoreTest {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(kStatsFileName); }

    // Loads `bytes` from a file, counting the records and checking that the file is unchanged.
    LoadResult load(const QByteArray& bytes, StatsRecord& record, int* records = nullptr) {
        PutFile(path(), bytes);
        LoadResult result =
            ReadStatsFile(path(), record, [records] { return !records || ++*records > 0; });
        EXPECT_EQ(FileBytes(path()), bytes);
        return result;
    }
};

QByteArray WithLine(int line, const QByteArray& text) {
    QList<QByteArray> lines = kExampleBytes.split('\n');
    lines[line - 1] = text + '\r';
    return lines.join('\n');
}

} // namespace

TEST_F(StatsFile, IsWrittenWithTheLocalesSeparatorAndLoadsTheSameUnderEveryOtherLocale) {
    const QByteArray comma = QByteArray(kExampleBytes).replace(".", ","); // its only full stops
    const std::vector<std::pair<QLocale, QByteArray>> written = {
        {QLocale(QLocale::English, QLocale::UnitedStates), kExampleBytes},
        {QLocale(QLocale::German, QLocale::Germany), comma},
        {QLocale(QLocale::French, QLocale::France), comma},
        {QLocale::c(), kExampleBytes},
        {QLocale(QLocale::Arabic, QLocale::Egypt),
         QByteArray(kExampleBytes).replace(".", "\u066B")},
    };
    for (const auto& [writer, bytes] : written) {
        QLocale::setDefault(writer);
        ASSERT_EQ(StatsFileBytes(ExampleRecord()), bytes);
        for (const auto& [reader, unused] : written) {
            QLocale::setDefault(reader);
            StatsRecord loaded;
            ASSERT_TRUE(load(bytes, loaded)) << reader.name().toStdString();
            EXPECT_EQ(StatsFileBytes(loaded, writer), bytes) << reader.name().toStdString();
        }
    }
}

TEST_F(StatsFile, PendingClicksAreWrittenInAndLoadedAsFullCounts) {
    StatsRecord r = ExampleRecord();
    r.PendingClicks = 7;
    const QByteArray bytes = StatsFileBytes(r).value();
    EXPECT_EQ(bytes, WithLine(1, " 19 ").replace(" 120 ", " 127 "));
    EXPECT_EQ(r.ClicksToday, Amount(12));
    EXPECT_EQ(r.PendingClicks, 7);

    StatsRecord loaded;
    loaded.PendingClicks = 3;
    ASSERT_TRUE(load(bytes, loaded));
    EXPECT_EQ(loaded.ClicksToday, Amount(19));
    EXPECT_EQ(loaded.ClicksTotal, Amount(127));
    EXPECT_EQ(loaded.PendingClicks, 0);
    r.ClicksTotal = Currency::fromRaw(INT64_MAX); // a full counter stays full
    EXPECT_TRUE(StatsFileBytes(r).value().contains("\r\n 922337203685477.5807 \r\n"));
}

TEST_F(StatsFile, NumberLinesCarryTheirSignAndOnlyTheDigitsNeeded) {
    StatsRecord r = ExampleRecord();
    r.ClicksToday = Amount(0);
    r.WindowsToday = Amount(-5.25);
    r.ScreenDimX = Amount(0.0001);
    r.TravelTotal = Currency::fromRaw(INT64_MIN);
    r.AutoStartOn = 1; // any non-zero value is true
    const QByteArray bytes = StatsFileBytes(r).value();
    EXPECT_EQ(bytes, QByteArray(kExampleBytes)
                         .replace(" 12 ", " 0 ")
                         .replace(" 3 ", "-5.25 ")
                         .replace(" 33.5 ", " 0.0001 ")
                         .replace(" 400.25 ", "-922337203685477.5808 "));
    StatsRecord loaded;
    ASSERT_TRUE(load(bytes, loaded));
    EXPECT_EQ(StatsFileBytes(loaded), bytes);
}

TEST_F(StatsFile, AcceptsEveryLineEndAndTheUsualBooleansAndNumbers) {
    const std::vector<std::pair<QByteArray, VbBool>> files = {
        {QByteArray(kExampleBytes).replace("\r\n", "\n"), kTrue},
        {QByteArray(kExampleBytes).replace("\r\n", "\r"), kTrue},
        {kExampleBytes.chopped(2), kTrue}, // no line end after the last line
        {WithLine(4, "false"), kFalse},
        {WithLine(4, "1"), kTrue},
        {WithLine(4, " TRUE "), kTrue},
        {WithLine(4, "-0.000"), kFalse},
        {WithLine(4, "0.00001"), kTrue},
        {WithLine(4, "99999999999999999999999"), kTrue},
    };
    for (const auto& [bytes, autoStart] : files) {
        StatsRecord loaded;
        ASSERT_TRUE(load(bytes, loaded)) << bytes.toStdString();
        EXPECT_EQ(loaded.AutoStartOn, autoStart) << bytes.toStdString();
        EXPECT_EQ(loaded.LastDate, "5/15/24");
    }
}

TEST_F(StatsFile, EveryMalformedFileIsOneFailureAndOnlyWholeRecordsReachTheRecord) {
    const std::vector<QByteArray> files = {
        kExampleBytes.left(kExampleBytes.lastIndexOf("5/15/24")), // no twelfth line
        WithLine(1, " twelve "),
        WithLine(1, ""),
        WithLine(2, " 1 2 "),
        WithLine(2, " 1,234.5 "), // two separators, whichever the locale groups with
        WithLine(6, " 1.234.567 "),
        WithLine(4, "1,000,000"),
        WithLine(2, QByteArray(" 3\0 ", 4)),
        WithLine(3, " 922337203685478 "), // beyond the Currency range
        WithLine(4, ""),
        WithLine(4, "yes"),
        WithLine(5, "M\xe9tric"), // Latin-1, not UTF-8
        WithLine(8, QByteArray(kMaxLineBytes + 1, 'x')),
        "\xef\xbb\xbf" + kExampleBytes, // a byte-order mark is not part of a number
        kExampleBytes + "\r\n",         // a blank line after the record
        kExampleBytes + kExampleBytes.left(30),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        StatsRecord record;
        record.Units = QStringLiteral("kept");
        const LoadResult result = load(files[i], record);
        EXPECT_FALSE(result) << files[i].left(200).toStdString();
        EXPECT_FALSE(result.reason.isEmpty());
        // The last two fail in a second record, after the first has been loaded.
        EXPECT_EQ(record.Units, i + 2 < files.size() ? "kept" : "Metric");
    }
}

TEST_F(StatsFile, RecordsAreReadInTurnWithTheStepsAfterEachAndAnEmptyFileHoldsNone) {
    PutFile(path(), kExampleBytes + QByteArray(kExampleBytes).replace("Metric", "English"));
    StatsRecord loaded;
    std::vector<QString> unitsSeen;
    ASSERT_TRUE(ReadStatsFile(path(), loaded, [&] {
        unitsSeen.push_back(loaded.Units);
        return true;
    }));
    EXPECT_EQ(unitsSeen, (std::vector<QString>{"Metric", "English"}));
    const auto stop = [] {
        return false;
    };
    EXPECT_FALSE(ReadStatsFile(path(), loaded, stop));
    EXPECT_FALSE(ReadStatsFile(dir.filePath("elsewhere.dat"), loaded, stop));
    EXPECT_FALSE(ReadStatsFile(dir.path(), loaded, stop));
    EXPECT_FALSE(QFile::exists(dir.filePath("elsewhere.dat")));

    StatsRecord empty;
    int records = 0;
    ASSERT_TRUE(load({}, empty, &records));
    EXPECT_EQ(records, 0);
    EXPECT_TRUE(empty.Units.isEmpty() && empty.SinceDate.isEmpty() && empty.ScreenDimX.isZero());
    ASSERT_TRUE(load(kExampleBytes.repeated(20000), empty, &records));
    EXPECT_EQ(records, 20000);
    for (const char fill : {'7', '\0', '\r', '\xff'}) { // neither hangs nor exhausts memory
        EXPECT_FALSE(load(QByteArray(3 << 20, fill), empty));
    }
}
