#include "StoreTesting.h"
#include "store/ReplaceFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
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

// While set, the sync of every regular file fails with it, as on a failing disk.
int gFsyncError = 0;

// The permissions that the last regular file given new ones had until then.
mode_t gModeBeforeChmod = 0;

} // namespace

extern "C" int fchmod(int fd, mode_t mode) {
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        gModeBeforeChmod = info.st_mode & 07777;
    }
    return static_cast<int>(syscall(SYS_fchmod, fd, mode));
}

extern "C" int fsync(int fd) {
    struct stat info {};
    if (gFsyncError != 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        errno = gFsyncError;
        return -1;
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
}

TEST_F(Save, ReplacesTheFileOrTheOneALinkNamesKeepingPermissionsAndLeavesNoTemporary) {
    ASSERT_EQ(chmod(QFile::encodeName(path()).constData(), 0640), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("via") &&
                QFile::link("../Odovex1.dat", dir.filePath("via/Odovex1.dat")));
    umask(022);
    for (const QString& directory : {dir.path(), dir.filePath("via")}) { // the file, then a link
        PutFile(path(), kOldBytes);
        const SaveResult result = WriteStatsFile(directory, ExampleRecord());
        ASSERT_TRUE(result) << result.error.toStdString();
        EXPECT_EQ(gModeBeforeChmod, 0640u); // never readable by others, not even at first
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

TEST_F(Save, AWriteOrASyncThatFailsLeavesTheOldFileAndTheNextSaveRetries) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const std::function<void(bool)> failures[] = {
        [&](bool on) { // stops root too; with SIGXFSZ ignored the write fails with EFBIG
            rlimit small = saved;
            small.rlim_cur = 10;
            std::signal(SIGXFSZ, on ? SIG_IGN : SIG_DFL);
            setrlimit(RLIMIT_FSIZE, on ? &small : &saved);
        },
        [](bool on) { gFsyncError = on ? EIO : 0; },
    };
    for (const auto& fail : failures) {
        fail(true);
        const SaveResult result = WriteStatsFile(dir.path(), ExampleRecord());
        fail(false);
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.error.contains(path())) << result.error.toStdString();
        expectOldFileAlone();
    }
    ASSERT_TRUE(WriteStatsFile(dir.path(), ExampleRecord()));
    EXPECT_EQ(FileBytes(path()), kExampleBytes);
}

TEST_F(Save, ARecordTheFileCannotHoldLeavesTheOldFile) {
    StatsRecord record = ExampleRecord();
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

TEST_F(Save, AStartRemovesOnlyTheTemporaryFilesThatEarlierSavesLeftBesideTheFile) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("via") &&
                QFile::link("../Odovex1.dat", dir.filePath("via/Odovex1.dat")));
    const QDateTime start = QDateTime::currentDateTime();
    // Left by saves: the first two; the rest kept (made after the start, not the pattern).
    for (const char* name : {".Ab3dE9", ".xyz123", ".fresh1", ".new", ".Ab3dE", ".Ab-dE9", "x"}) {
        QFile file(path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setFileTime(start.addSecs(strcmp(name, ".fresh1") == 0 ? 1 : -60),
                         QFileDevice::FileModificationTime);
    }
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.filePath("via")));
    EXPECT_EQ(RemoveLeftTemporaries(kStatsFileName, start).join(' ').toStdString(),
              (path() + ".Ab3dE9 " + path() + ".xyz123").toStdString());
    EXPECT_TRUE(RemoveLeftTemporaries(kStatsFileName, start).isEmpty());
    QDir::setCurrent(here);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 6);
}
