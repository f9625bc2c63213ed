#include "platform/InstanceLock.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kLockName[] = "odovex.lock";

QString Reason(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// $XDG_RUNTIME_DIR when it names a directory this user owns and may write, else empty.
QByteArray RuntimeDirectory() {
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (dir.isEmpty() || dir[0] != '/' || stat(dir.constData(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != getuid() || access(dir.constData(), W_OK) != 0) {
        return {};
    }
    return dir;
}

} // namespace

InstanceLock::InstanceLock() {
    const QByteArray runtime = RuntimeDirectory();
    if (!runtime.isEmpty() && tryPath(runtime + '/' + kLockName, true) != State::Unavailable) {
        return;
    }
    tryPath(QByteArrayLiteral("/tmp/odovex-") + QByteArray::number(getuid()) + ".lock", true);
}

InstanceLock::InstanceLock(const QString& file) {
    path_ = file + QStringLiteral(".lock");
    // Every name of the file leads to one lock: the one beside the file itself.
    const std::unique_ptr<char, decltype(&std::free)> real(
        realpath(QFile::encodeName(file).constData(), nullptr), &std::free);
    if (!real) {
        const int failure = errno;
        if (failure != ENOENT) {
            error_ = QStringLiteral("cannot find %1: %2").arg(file, Reason(failure));
        }
        return;
    }
    tryPath(QByteArray(real.get()) + ".lock", false);
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

InstanceLock::State InstanceLock::tryPath(const QByteArray& path, bool mustBeOwn) {
    path_ = QFile::decodeName(path);
    // O_NOFOLLOW keeps a link put in the lock file's place from making a file elsewhere; the
    // owner check keeps another user's file in /tmp from standing in for ours.
    const int fd =
        open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mustBeOwn ? 0600 : 0666);
    if (fd < 0) {
        error_ = QStringLiteral("cannot open %1: %2").arg(path_, Reason(errno));
        return state_ = State::Unavailable;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (mustBeOwn && info.st_uid != getuid())) {
        close(fd);
        error_ = (mustBeOwn ? QStringLiteral("%1 is not a file of this user")
                            : QStringLiteral("%1 is not a regular file"))
                     .arg(path_);
        return state_ = State::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int failure = errno;
        close(fd);
        if (failure == EWOULDBLOCK) {
            error_.clear();
            return state_ = State::Busy;
        }
        error_ = QStringLiteral("cannot lock %1: %2").arg(path_, Reason(failure));
        return state_ = State::Unavailable;
    }
    fd_ = fd;
    error_.clear();
    return state_ = State::Held;
}
