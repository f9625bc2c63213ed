#include "ReplaceFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Failure(const QByteArray& target, const char* step, int error) {
    return QStringLiteral("Could not save %1 (%2: %3)")
        .arg(QFile::decodeName(target), QLatin1String(step),
             QString::fromLocal8Bit(std::strerror(error)));
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
    const QByteArray dir = directory.isEmpty() ? QByteArray(".") : QFile::encodeName(directory);
    const QByteArray target = dir + '/' + QFile::encodeName(name);
    // One fixed name: the program runs once per directory, and a temporary file that a crash
    // left behind is replaced by the next save instead of piling up.
    const QByteArray temporary = target + ".tmp";

    ::unlink(temporary.constData());
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        return Failure(target, "creating the temporary file", errno);
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
    struct stat old {};
    if (::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        ok = check(::fchmod(fd, old.st_mode & 07777) == 0, "copying the permissions");
    }
    ok = ok && check(WriteAll(fd, bytes), "writing the temporary file");
    ok = ok && check(::fsync(fd) == 0, "syncing the temporary file");
    ok = check(::close(fd) == 0, "closing the temporary file") && ok;
    ok = ok && check(::rename(temporary.constData(), target.constData()) == 0,
                     "renaming the temporary file over it");
    if (!ok) {
        ::unlink(temporary.constData());
        return Failure(target, step, error);
    }
    if (const int syncError = SyncDirectory(dir); syncError != 0) {
        return Failure(target, "syncing the directory after the rename", syncError);
    }
    return {};
}
