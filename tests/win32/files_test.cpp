// The statistics file's access on Windows: reads and atomic replacement.
#include "store/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <windows.h>

namespace {

const QByteArray kOld = "old\r\n";
const QByteArray kNew = "new\r\nbytes\r\n";

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray ReadAll(const QString& path, QString* failure) {
    QByteArray read;
    *failure = ReadRegularFile(path, [&](QByteArrayView bytes) {
        read += bytes;
        return true;
    });
    return read;
}

} // namespace

// A save replaces the file whole; while another program holds the file open without sharing,
// the save fails and leaves the old bytes alone. Either way no temporary file is left.
TEST(WindowsFiles, ReplaceIsWholeOrNothingAndLeavesNoTemporary) {
    for (const bool held : {false, true}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Odovex1.dat"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
        old.close();
        const HANDLE holder =
            held ? CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                 : INVALID_HANDLE_VALUE;
        const QString error = ReplaceFileContents(dir.path(), QStringLiteral("Odovex1.dat"), kNew);
        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
        }
        EXPECT_EQ(error.isEmpty(), !held) << held << error.toStdString();
        EXPECT_EQ(Bytes(path), held ? kOld : kNew) << held;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Odovex1.dat"}) << held;
    }
}

TEST(WindowsFiles, ReadsRegularFilesOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Odovex1.dat"));
    QString failure;
    EXPECT_TRUE(ReadAll(path, &failure).isEmpty());
    EXPECT_TRUE(failure.contains(QStringLiteral("cannot open"))) << failure.toStdString();
    EXPECT_TRUE(ReadAll(dir.path(), &failure).isEmpty());
    EXPECT_FALSE(failure.isEmpty());
    ASSERT_TRUE(ReplaceFileContents(dir.path(), QStringLiteral("Odovex1.dat"), kNew).isEmpty());
    EXPECT_EQ(ReadAll(path, &failure), kNew);
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
}
