#include "platform/InstanceLock.h"

#include <QByteArray>
#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString Reason(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

// Who holds a socket name that could not be bound.
enum class Holder { ThisUser, OtherUser };

// Connects to the socket at `address` without waiting and asks the kernel whose it is. A name
// bound but not listened on, of another kind of socket or with its queue full is not an Odovex
// of this user: that one takes every connection at once.
Holder HolderOf(const sockaddr_un& address, socklen_t length) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return Holder::OtherUser;
    }
    Holder holder = Holder::OtherUser;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        ucred peer{};
        socklen_t size = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid()) {
            holder = Holder::ThisUser;
        }
    }
    close(fd);
    return holder;
}

} // namespace

InstanceLock::InstanceLock() {
    const QByteArray name = QByteArrayLiteral("odovex-") + QByteArray::number(getuid());
    path_ = u'@' + QString::fromLatin1(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.constData(), name.size()); // sun_path[0] stays 0
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error_ = QStringLiteral("cannot make a socket: %1").arg(Reason(errno));
        return;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
        listen(fd, SOMAXCONN) == 0) {
        fd_ = fd;
        state_ = State::Held;
        // Each later start connects to learn who holds the name; its connection is taken and
        // closed on the event loop, so that the queue never fills.
        auto* const notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
        QObject::connect(notifier, &QSocketNotifier::activated, [fd] {
            const int connection = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (connection >= 0) {
                close(connection);
            }
        });
        watcher_.reset(notifier);
        return;
    }
    const int failure = errno;
    close(fd);
    if (failure != EADDRINUSE) {
        error_ = QStringLiteral("cannot bind %1: %2").arg(path_, Reason(failure));
        return;
    }
    if (HolderOf(address, length) == Holder::ThisUser) {
        state_ = State::Busy;
        return;
    }
    const QByteArray fallback = "/tmp/odovex-" + QByteArray::number(getuid()) + ".lock";
    std::fprintf(stderr,
                 "Odovex: another user's process holds the name %s; the lock is %s instead\n",
                 qPrintable(path_), fallback.constData());
    tryPath(fallback, true);
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
    watcher_.reset();
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
