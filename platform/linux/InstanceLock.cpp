#include "platform/InstanceLock.h"

#include <QByteArray>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kLockName[] = "odovex.lock";

// $XDG_RUNTIME_DIR when it names a directory this user owns and may write, else empty.
QString RuntimeDirectory() {
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (dir.isEmpty() || dir[0] != '/' || stat(dir.constData(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != getuid() || access(dir.constData(), W_OK) != 0) {
        return {};
    }
    return QString::fromLocal8Bit(dir);
}

} // namespace

InstanceLock::InstanceLock() {
    const QString runtime = RuntimeDirectory();
    if (!runtime.isEmpty() &&
        tryPath(runtime + QLatin1Char('/') + QLatin1String(kLockName)) != State::Unavailable) {
        return;
    }
    tryPath(QStringLiteral("/tmp/odovex-%1.lock").arg(getuid()));
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

InstanceLock::State InstanceLock::tryPath(const QString& path) {
    path_ = path;
    const QByteArray name = path.toLocal8Bit();
    // O_NOFOLLOW and the owner check keep another user's file (or link) in /tmp from
    // standing in for ours.
    const int fd = open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ =
            QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
        return state_ = State::Unavailable;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        close(fd);
        error_ = QStringLiteral("%1 is not a file of this user").arg(path);
        return state_ = State::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int failure = errno;
        close(fd);
        if (failure == EWOULDBLOCK) {
            error_.clear();
            return state_ = State::Busy;
        }
        error_ = QStringLiteral("cannot lock %1: %2")
                     .arg(path, QString::fromLocal8Bit(strerror(failure)));
        return state_ = State::Unavailable;
    }
    fd_ = fd;
    error_.clear();
    return state_ = State::Held;
}
