#include "platform/InstanceLock.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

// Both locks are dropped by the system when the process ends however it ends. The handle is
// kept in fd_: 64-bit Windows gives handles 32 significant bits.

namespace {

constexpr wchar_t kMutexName[] = L"Local\\Odovex";

int Keep(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

HANDLE Handle(int kept) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(kept));
}

} // namespace

// One Odovex per logged-on user session: a mutex named in the session's namespace.
InstanceLock::InstanceLock() {
    path_ = QString::fromWCharArray(kMutexName);
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (!mutex) {
        error_ = QStringLiteral("cannot create the mutex %1: %2")
                     .arg(path_, qt_error_string(int(GetLastError())));
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        state_ = State::Busy;
        return;
    }
    fd_ = Keep(mutex);
    state_ = State::Held;
}

// One Odovex per statistics file, also across sessions: a hidden lock file beside it, opened
// without sharing, which goes when the last handle closes.
InstanceLock::InstanceLock(const QString& file) {
    if (!QFileInfo::exists(file)) {
        return;
    }
    path_ = QDir::toNativeSeparators(file + QStringLiteral(".lock"));
    const HANDLE lock = CreateFileW(reinterpret_cast<const wchar_t*>(path_.utf16()),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) {
            state_ = State::Busy;
            return;
        }
        error_ =
            QStringLiteral("cannot open %1: %2").arg(path_, qt_error_string(int(GetLastError())));
        return;
    }
    fd_ = Keep(lock);
    state_ = State::Held;
}

InstanceLock::~InstanceLock() {
    if (fd_ != -1) {
        CloseHandle(Handle(fd_));
    }
}
