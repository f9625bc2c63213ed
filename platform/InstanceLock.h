#pragma once

#include <QObject>
#include <QString>
#include <memory>

// One running Odovex: an exclusive lock held from construction for the life of the object (of
// the process, in practice). The kernel drops the lock when the process ends however it ends, so
// a crashed run leaves nothing that blocks the next start, and of two starts at the same moment
// exactly one gets it. Two scopes: the user, and one statistics file.
class InstanceLock {
public:
    enum class State {
        Held,        // this process is the one instance
        Busy,        // another process holds the lock
        Unavailable, // no usable place for the lock; see error()
    };

    // One Odovex per user, whatever the environment of each start (su, ssh, no runtime
    // directory). On Linux a Unix socket in the abstract namespace named after the user id,
    // "odovex-<uid>", bound and listened on for the run: no file, no environment variable. Its
    // name has no permissions, so a holder is believed only when its credentials are this user's;
    // a name held by another user's process does not stop this user: the lock falls back to
    // /tmp/odovex-<uid>.lock, with a line on standard error. On Windows a session mutex.
    InstanceLock();
    // One Odovex per statistics file, whatever the environment of each start: a lock file beside
    // the file that `file` names (relative to the current directory), after its links, named as
    // it with ".lock" added. A file that does not exist is not locked and makes no lock file:
    // Unavailable with an empty error, since reading it fails next.
    explicit InstanceLock(const QString& file);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    // The lock tried last: a file, or "@odovex-<uid>" for the socket.
    const QString& path() const { return path_; }
    // Why no lock file could be used, one line; empty unless Unavailable.
    const QString& error() const { return error_; }

private:
    State tryPath(const QByteArray& path, bool mustBeOwn);

    int fd_ = -1;
    // Takes the connections of later starts to the user's socket (Linux).
    std::unique_ptr<QObject> watcher_;
    State state_ = State::Unavailable;
    QString path_;
    QString error_;
};
