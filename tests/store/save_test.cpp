#include "StoreTesting.h"

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kOldBytes = QByteArray(kExampleBytes).replace("Metric", "English");

struct Save : StoreTest {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(kStatsFileName); }
    void SetUp() override {
        StoreTest::SetUp();
        PutFile(path(), kOldBytes);
    }
    // The old file, byte for byte, and nothing beside it.
    void expectOldFileAlone() {
        EXPECT_EQ(FileBytes(path()), kOldBytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{kStatsFileName});
    }
};

// Saves as user nobody, whom a read-only directory stops, unlike root. Returns the save's success.
bool SaveAsNobody(const QString& directory) {
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        const bool dropped = setgid(kNobody) == 0 && setuid(kNobody) == 0;
        _exit(dropped && !WriteStatsFile(directory, ExampleRecord()) ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

} // namespace

TEST_F(Save, ReplacesTheFileKeepingItsPermissionsAndLeavesNoTemporary) {
    PutFile(path() + ".tmp", "left by a crash");
    ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0640), 0);
    const SaveResult result = WriteStatsFile(dir.path(), ExampleRecord());
    ASSERT_TRUE(result) << result.error.toStdString();
    EXPECT_EQ(FileBytes(path()), kExampleBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kStatsFileName});
    EXPECT_EQ(QFile::permissions(path()), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup);
}

TEST_F(Save, AWriteThatStopsPartWayLeavesTheOldFileAndTheNextSaveRetries) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 10; // stops root too; with SIGXFSZ ignored the write fails with EFBIG
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const SaveResult result = WriteStatsFile(dir.path(), ExampleRecord());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(result);
    EXPECT_TRUE(result.error.contains(path())) << result.error.toStdString();
    expectOldFileAlone();

    ASSERT_TRUE(WriteStatsFile(dir.path(), ExampleRecord()));
    EXPECT_EQ(FileBytes(path()), kExampleBytes);
}

TEST_F(Save, ARecordTheFileCannotHoldLeavesTheOldFile) {
    StatsRecord record = ExampleRecord();
    record.ClicksTotal = Currency::fromRaw(INT64_MAX);
    record.PendingClicks = 1;
    EXPECT_FALSE(WriteStatsFile(dir.path(), record));
    record = ExampleRecord();
    record.Units = QStringLiteral("Met\nric"); // would read back as two lines
    EXPECT_FALSE(WriteStatsFile(dir.path(), record));
    expectOldFileAlone();
}

TEST_F(Save, AReadOnlyDirectoryLeavesTheOldFile) {
    const QByteArray directory = QFile::encodeName(dir.path());
    ASSERT_EQ(chmod(directory.constData(), 0555), 0);
    const bool saved =
        geteuid() == 0 ? SaveAsNobody(dir.path()) : WriteStatsFile(dir.path(), ExampleRecord()).ok;
    chmod(directory.constData(), 0700);
    EXPECT_FALSE(saved);
    expectOldFileAlone();
}

TEST_F(Save, FailsCleanlyWhereNoFileCanBePut) {
    const QString gone = dir.filePath("gone");
    EXPECT_FALSE(WriteStatsFile(gone, ExampleRecord()));
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_FALSE(WriteStatsFile(path(), ExampleRecord())); // the directory is a file
    expectOldFileAlone();

    QFile::remove(path());
    ASSERT_TRUE(QDir(dir.path()).mkdir(kStatsFileName)); // the file's name taken by a directory
    EXPECT_FALSE(WriteStatsFile(dir.path(), ExampleRecord()));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
}
