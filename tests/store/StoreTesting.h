#pragma once

#include "engine/StatsRecord.h"
#include "store/StatsFile.h"

#include <QFile>
#include <QLocale>
#include <gtest/gtest.h>

// Every store test runs under US English unless it picks another locale.
struct StoreTest : ::testing::Test {
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

inline void PutFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline Currency Amount(double value) {
    return *Currency::fromDouble(value);
}

// The file example: 12, 3, 45.5, True, Metric, 33.5, 24, a date-time, 120, 30, 400.25, a date.
inline StatsRecord ExampleRecord() {
    StatsRecord r;
    r.ClicksToday = Amount(12);
    r.WindowsToday = Amount(3);
    r.TravelToday = Amount(45.5);
    r.AutoStartOn = kTrue;
    r.Units = QStringLiteral("Metric");
    r.ScreenDimX = Amount(33.5);
    r.ScreenDimY = Amount(24);
    r.SinceDate = QStringLiteral("5/14/24 9:03:07\u202FPM"); // as newer locale data writes it
    r.ClicksTotal = Amount(120);
    r.WindowsTotal = Amount(30);
    r.TravelTotal = Amount(400.25);
    r.LastDate = QStringLiteral("5/15/24");
    return r;
}

inline const QByteArray kExampleBytes =
    " 12 \r\n 3 \r\n 45.5 \r\nTrue\r\nMetric\r\n 33.5 \r\n 24 \r\n"
    "5/14/24 9:03:07\xE2\x80\xAFPM\r\n 120 \r\n 30 \r\n 400.25 \r\n5/15/24\r\n";
