#pragma once

#include <QString>

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

    // One Odovex per user: a lock file in the user's runtime directory, or in /tmp without one.
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
    // The lock file tried last.
    const QString& path() const { return path_; }
    // Why no lock file could be used, one line; empty unless Unavailable.
    const QString& error() const { return error_; }

private:
    State tryPath(const QByteArray& path, bool mustBeOwn);

    int fd_ = -1;
    State state_ = State::Unavailable;
    QString path_;
    QString error_;
};
