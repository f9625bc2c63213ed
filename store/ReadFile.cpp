#include "ReplaceFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kReadChunkBytes = 64 * 1024;

} // namespace

QString ReadRegularFile(const QString& path, const std::function<bool(QByteArrayView)>& feed) {
    const QByteArray name = QFile::encodeName(path);
    const auto failed = [&](const char* what, int error) {
        return QStringLiteral("%1: %2: %3")
            .arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
    };
    // Non-blocking, so that a FIFO put in the file's place cannot stall the open.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return failed("cannot open", errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return failed("cannot examine", error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return QStringLiteral("%1: not a regular file").arg(path);
    }
    QByteArray chunk(kReadChunkBytes, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), static_cast<size_t>(chunk.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return failed("cannot read", error);
        }
        if (got == 0 || !feed(QByteArrayView(chunk.constData(), got))) {
            break;
        }
    }
    ::close(fd);
    return {};
}
