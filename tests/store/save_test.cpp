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

// Starts saves of `record` in a child process, as user nobody (whom permissions stop, unlike
// root) when `asNobody`.
pid_t SaveInChild(const QString& directory, const StatsRecord& record, int saves = 1,
                  bool asNobody = false) {
    const pid_t child = fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        bool ok = !asNobody || (setgid(kNobody) == 0 && setuid(kNobody) == 0);
        while (saves-- > 0) {
            ok = WriteStatsFile(directory, record).ok && ok;
        }
        _exit(ok ? 0 : 1);
    }
    return child;
}

bool Succeeded(pid_t child) {
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST_F(Save, ReplacesTheFileOrTheOneALinkNamesKeepingPermissionsAndLeavesNoTemporary) {
    ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0640), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("via") &&
                QFile::link("../Odovex1.dat", dir.filePath("via/Odovex1.dat")));
    for (const QString& directory : {dir.path(), dir.filePath("via")}) { // the file, then a link
        PutFile(path(), kOldBytes);
        const SaveResult result = WriteStatsFile(directory, ExampleRecord());
        ASSERT_TRUE(result) << result.error.toStdString();
        EXPECT_EQ(FileBytes(path()), kExampleBytes);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kStatsFileName});
        EXPECT_EQ(QFile::permissions(path()), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ReadUser | QFile::WriteUser |
                                                  QFile::ReadGroup);
    }
    EXPECT_EQ(QFileInfo(dir.filePath("via/Odovex1.dat")).symLinkTarget(), path());
}

TEST_F(Save, SavesRacingOnOneFileNeverTakeEachOthersTemporaryFile) {
    StatsRecord other = ExampleRecord();
    other.Units = QStringLiteral("English");
    const pid_t racers[] = {SaveInChild(dir.path(), ExampleRecord(), 200),
                            SaveInChild(dir.path(), other, 200)};
    EXPECT_TRUE(Succeeded(racers[0]));
    EXPECT_TRUE(Succeeded(racers[1]));
    EXPECT_TRUE(FileBytes(path()) == kExampleBytes || FileBytes(path()) == kOldBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{kStatsFileName});
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

TEST_F(Save, ADirectoryThatCannotBeWrittenFailsItAndOneThatCannotBeSyncedOnlyWarns) {
    // Write-only: the new file is in place, but the directory cannot be opened to sync.
    for (const auto& [mode, saves] : {std::pair{0555, false}, std::pair{0333, true}}) {
        const QByteArray directory = QFile::encodeName(dir.path());
        ASSERT_EQ(chmod(directory.constData(), mode), 0);
        testing::internal::CaptureStderr();
        const bool saved = Succeeded(SaveInChild(dir.path(), ExampleRecord(), 1, geteuid() == 0));
        const std::string warning = testing::internal::GetCapturedStderr();
        chmod(directory.constData(), 0700);
        EXPECT_EQ(saved, saves);
        EXPECT_EQ(FileBytes(path()), saves ? kExampleBytes : kOldBytes);
        EXPECT_EQ(warning.rfind("Odovex: saved", 0) == 0 &&
                      warning.find('\n') + 1 == warning.size(),
                  saves)
            << warning;
    }
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
