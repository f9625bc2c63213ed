// The store's file access on Windows.
#include "store/ReplaceFile.h"

#include "platform/win32/WhileHeld.h"

#include <QDir>
#include <QRandomGenerator>

#include <windows.h>

#include <algorithm>

namespace {

constexpr DWORD kReadChunkBytes = 64 * 1024;
// Names tried for a temporary file before a save gives up.
constexpr int kTemporaryNameTries = 100;

std::wstring Native(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// Closes a handle once, whichever way the function leaves.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        const bool closed = !valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

} // namespace

QString ReadRegularFile(const QString& path, const std::function<bool(QByteArrayView)>& feed) {
    const auto failed = [&](const char* what) {
        return QStringLiteral("%1: %2: %3")
            .arg(path, QLatin1String(what), qt_error_string(int(GetLastError())));
    };
    // Shared with every other opener, so that a reader never blocks a writer; a directory cannot
    // be opened without FILE_FLAG_BACKUP_SEMANTICS and fails here.
    Handle file(CreateFileW(Native(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return failed("cannot open");
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return QStringLiteral("%1: not a regular file").arg(path);
    }
    QByteArray chunk(kReadChunkBytes, Qt::Uninitialized);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk.data(), kReadChunkBytes, &got, nullptr)) {
            return failed("cannot read");
        }
        if (got == 0 || !feed(QByteArrayView(chunk.constData(), got))) {
            return {};
        }
    }
}

// A new file beside `target` whose name no other save uses: `target`, a full stop and random
// letters. Sets `temporary` to its name.
HANDLE CreateTemporary(const QString& target, QString& temporary) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        temporary = target + u'.';
        for (int i = 0; i < kTemporaryNameLetters; ++i) {
            temporary += QLatin1Char(
                kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)]);
        }
        const HANDLE file = CreateFileW(Native(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes) {
    const QString target =
        QDir(directory.isEmpty() ? QStringLiteral(".") : directory).filePath(name);
    QString temporary;
    Handle file(CreateTemporary(target, temporary));
    const auto message = [&](const char* step, DWORD error) {
        return QStringLiteral("Could not save %1 (%2: %3)")
            .arg(QDir::toNativeSeparators(target), QLatin1String(step),
                 qt_error_string(int(error)));
    };
    if (!file.valid()) {
        return message("creating the temporary file", GetLastError());
    }
    const auto failed = [&](const char* step, DWORD error) {
        DeleteFileW(Native(temporary).c_str());
        return message(step, error);
    };
    for (qsizetype done = 0; done < bytes.size();) {
        DWORD written = 0;
        const auto part = static_cast<DWORD>(std::min<qsizetype>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file.get(), bytes.data() + done, part, &written, nullptr)) {
            const DWORD error = GetLastError();
            file.close();
            return failed("writing the temporary file", error);
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get())) {
        const DWORD error = GetLastError();
        file.close();
        return failed("syncing the temporary file", error);
    }
    if (!file.close()) {
        return failed("closing the temporary file", GetLastError());
    }
    // Write-through: the rename is on the disk when the call returns.
    if (!RetriedWhileHeld([&] {
            return MoveFileExW(Native(temporary).c_str(), Native(target).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        })) {
        return failed("renaming the temporary file over it", GetLastError());
    }
    return {};
}
