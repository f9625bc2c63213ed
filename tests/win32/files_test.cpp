// The statistics file's access on Windows: reads and atomic replacement.
#include "store/ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>

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
// the save waits a moment for it, then fails and leaves the old bytes alone. Either way no
// temporary file is left.
TEST(WindowsFiles, ReplaceIsWholeOrNothingAndLeavesNoTemporary) {
    constexpr int kForGood = -1;
    for (const int heldMs : {0, 100, kForGood}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Odovex1.dat"));
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write(kOld) == kOld.size());
        old.close();
        const HANDLE holder =
            heldMs != 0
                ? CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                : INVALID_HANDLE_VALUE;
        std::thread letGo([&] {
            if (heldMs > 0) {
                Sleep(heldMs);
                CloseHandle(holder);
            }
        });
        const QString error = ReplaceFileContents(dir.path(), QStringLiteral("Odovex1.dat"), kNew);
        letGo.join();
        if (heldMs == kForGood) {
            CloseHandle(holder);
        }
        const bool saves = heldMs != kForGood;
        EXPECT_EQ(error.isEmpty(), saves) << heldMs << error.toStdString();
        EXPECT_EQ(Bytes(path), saves ? kNew : kOld) << heldMs;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Odovex1.dat"}) << heldMs;
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
