#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(InstanceLock, OneHolderPerUserWhateverTheEnvironmentAndPerStatisticsFile) {
    // Per file, by any of its names; a missing file is not locked and gets no lock file.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile(dir.filePath("Odovex1.dat")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(dir.filePath("Odovex1.dat"), dir.filePath("other.dat")));
    const InstanceLock file(QStringLiteral("Odovex1.dat"));
    EXPECT_EQ(file.state(), InstanceLock::State::Held);
    EXPECT_EQ(InstanceLock(QStringLiteral("other.dat")).state(), InstanceLock::State::Busy);
    EXPECT_TRUE(InstanceLock(QStringLiteral("missing.dat")).error().isEmpty());
    EXPECT_EQ(QDir().entryList(QDir::Files),
              (QStringList{"Odovex1.dat", "Odovex1.dat.lock", "other.dat"}));
    QDir::setCurrent(QDir::tempPath());

    // Socket names apart from any Odovex of the machine: this process's network namespace.
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0) {
        GTEST_SKIP() << "a network namespace of its own needs root";
    }
    qputenv("XDG_RUNTIME_DIR", "/nonexistent/odovex"); // no matter
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->state(), InstanceLock::State::Held);
    EXPECT_EQ(first->path(), "@odovex-0");
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Busy);
    first.reset();
    EXPECT_EQ(InstanceLock().state(), InstanceLock::State::Held);
    // User nobody holds the name first: the lock falls back to the file in /tmp.
    const pid_t squatter = fork();
    if (squatter == 0) {
        sockaddr_un address{AF_UNIX, "\0odovex-0"};
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (setuid(65534) == 0 && bind(fd, reinterpret_cast<sockaddr*>(&address),
                                       offsetof(sockaddr_un, sun_path) + 9) == 0) {
            listen(fd, 1);
            pause();
        }
        _exit(1);
    }
    usleep(200000);
    const InstanceLock fallback;
    EXPECT_EQ(fallback.path(), "/tmp/odovex-0.lock");
    EXPECT_NE(fallback.state(), InstanceLock::State::Unavailable); // Busy when held elsewhere
    kill(squatter, SIGKILL);
    waitpid(squatter, nullptr, 0);
}

} // namespace
