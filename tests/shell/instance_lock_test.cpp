#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* Name(InstanceLock::State state) {
    return state == InstanceLock::State::Held   ? "held"
           : state == InstanceLock::State::Busy ? "busy"
                                                : "-";
}

// The states of the user's lock in a child process with network and mount namespaces of its own
// (the abstract socket names and /tmp are its own): a first holder, a second start, a start once
// the first is gone. As root, with the name held first by user nobody's socket, a start falls
// back to the lock file in /tmp.
std::string UserLockStates(bool squatted) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "no pipe";
    }
    const pid_t child = fork();
    if (child == 0) {
        std::string states;
        const int spaces = CLONE_NEWNET | CLONE_NEWNS;
        if ((unshare(spaces) == 0 || unshare(CLONE_NEWUSER | spaces) == 0) &&
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            mount("tmpfs", "/tmp", "tmpfs", 0, nullptr) == 0) {
            const QByteArray name = "odovex-" + QByteArray::number(getuid());
            const int squat = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            memcpy(address.sun_path + 1, name.constData(), name.size());
            const pid_t squatter = squatted ? fork() : -1;
            if (squatter == 0) { // nobody binds the name and holds it
                (void)!setuid(65534);
                bind(squat, reinterpret_cast<sockaddr*>(&address),
                     offsetof(sockaddr_un, sun_path) + 1 + name.size());
                listen(squat, 1);
                pause();
            }
            usleep(squatted ? 200000 : 0);
            auto first = std::make_unique<InstanceLock>();
            states = Name(first->state()) + (' ' + first->path().toStdString());
            states += std::string(" ") + Name(InstanceLock().state());
            first.reset();
            states += std::string(" ") + Name(InstanceLock().state());
            if (squatter > 0) {
                kill(squatter, SIGKILL);
                waitpid(squatter, nullptr, 0);
            }
        }
        (void)!write(pipe[1], states.data(), states.size());
        _exit(0);
    }
    close(pipe[1]);
    char text[256] = {};
    (void)!read(pipe[0], text, sizeof text - 1);
    close(pipe[0]);
    waitpid(child, nullptr, 0);
    return text;
}

TEST(InstanceLock, OneHolderPerUserWhateverTheEnvironmentAndPerStatisticsFile) {
    const std::string name = "@odovex-" + std::to_string(getuid());
    qputenv("XDG_RUNTIME_DIR", "/nonexistent/odovex"); // no matter
    EXPECT_EQ(UserLockStates(false), "held " + name + " busy held");
    if (geteuid() == 0) {
        EXPECT_EQ(UserLockStates(true), "held /tmp/odovex-0.lock busy held");
    }

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
}

} // namespace
