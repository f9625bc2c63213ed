#include "ReplaceFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links followed before a save gives up, as many as the kernel follows.
constexpr int kMaxLinks = 40;
// Names tried for a temporary file before a save gives up; a clash needs a save of the same file
// that drew the same six letters.
constexpr int kTemporaryNameTries = 100;

QString Describe(const QByteArray& file, const char* step, int error) {
    return QStringLiteral("%1 (%2: %3)")
        .arg(QFile::decodeName(file), QLatin1String(step),
             QString::fromLocal8Bit(std::strerror(error)));
}

QString Failure(const QByteArray& file, const char* step, int error) {
    return QStringLiteral("Could not save ") + Describe(file, step, error);
}

// The directory part of a path: "." for a bare name.
QByteArray DirectoryOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The file that `path` names once every link is followed. It need not exist: a link to nothing
// names the file a save makes. Empty, with errno set, when the links cannot be followed.
QByteArray FollowLinks(QByteArray path) {
    for (int links = 0; links < kMaxLinks; ++links) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path; // what is not there yet is made; other failures show in the next steps
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), link.data(), PATH_MAX);
        if (length < 0 || length == PATH_MAX) {
            errno = length < 0 ? errno : ENAMETOOLONG;
            return {};
        }
        link.truncate(length);
        path = link.startsWith('/') ? link : DirectoryOf(path) + '/' + link;
    }
    errno = ELOOP;
    return {};
}

// Creates `path`.XXXXXX, six letters drawn until the name is new, for writing, with `mode` less
// the umask. Returns the descriptor and sets `temporary`, or -1 with errno set. The system's
// random source keeps forked processes from drawing alike.
int CreateTemporary(const QByteArray& path, mode_t mode, QByteArray& temporary) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        temporary = path + '.';
        for (int i = 0; i < kTemporaryNameLetters; ++i) {
            temporary += kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)];
        }
        const int fd = ::open(temporary.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteAll(int fd, QByteArrayView bytes) {
    const char* next = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0 && errno != EINTR) {
            return false;
        }
        if (written > 0) {
            next += written;
            left -= written;
        }
    }
    return true;
}

// Makes the rename itself durable. Returns 0 or the error.
int SyncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

} // namespace

QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes) {
    const QByteArray named = directory.isEmpty()
                                 ? QFile::encodeName(name)
                                 : QFile::encodeName(directory) + '/' + QFile::encodeName(name);
    const QByteArray target = FollowLinks(named);
    if (target.isEmpty()) {
        return Failure(named, "following its links", errno);
    }
    // The new bytes are never readable by more than the old file was, not even for a moment:
    // the temporary file is made with the old file's permissions (a new file's when there is
    // none), and given them exactly once it is open.
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    QByteArray temporary;
    const int fd = CreateTemporary(target, replacing ? old.st_mode & 0777 : 0666, temporary);
    if (fd < 0) {
        return Failure(named, "creating the temporary file", errno);
    }
    const char* step = nullptr; // the first step that failed
    int error = 0;
    const auto check = [&](bool succeeded, const char* what) {
        if (!succeeded && step == nullptr) {
            step = what;
            error = errno;
        }
        return succeeded;
    };
    bool ok = true;
    if (replacing) {
        ok = check(::fchmod(fd, old.st_mode & 07777) == 0, "copying the permissions");
    }
    ok = ok && check(WriteAll(fd, bytes), "writing the temporary file");
    ok = ok && check(::fsync(fd) == 0, "syncing the temporary file");
    ok = check(::close(fd) == 0, "closing the temporary file") && ok;
    ok = ok && check(::rename(temporary.constData(), target.constData()) == 0,
                     "renaming the temporary file over it");
    if (!ok) {
        ::unlink(temporary.constData());
        return Failure(named, step, error);
    }
    // The new file is in place; only its durability across a power failure is in doubt.
    if (const int syncError = SyncDirectory(DirectoryOf(target)); syncError != 0) {
        QString warning = QStringLiteral("saved, but a power failure may yet undo it: ") +
                          Describe(named, "syncing the directory", syncError);
        warning.replace(u'\n', u' ').replace(u'\r', u' ');
        std::fprintf(stderr, "Odovex: %s\n", qUtf8Printable(warning));
    }
    return {};
}
