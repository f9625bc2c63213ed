#pragma once

#include <QString>

// One running Odovex per user: an exclusive lock on a file in the user's runtime directory,
// held from construction for the life of the object (of the process, in practice). The kernel
// drops the lock when the process ends however it ends, so a crashed run leaves nothing that
// blocks the next start, and of two starts at the same moment exactly one gets it.
class InstanceLock {
public:
    enum class State {
        Held,        // this process is the one instance
        Busy,        // another process holds the lock
        Unavailable, // no usable place for the lock file; see error()
    };

    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    // The lock file tried last.
    const QString& path() const { return path_; }
    // Why no lock file could be used, one line; empty unless Unavailable.
    const QString& error() const { return error_; }

private:
    State tryPath(const QString& path);

    int fd_ = -1;
    State state_ = State::Unavailable;
    QString path_;
    QString error_;
};
