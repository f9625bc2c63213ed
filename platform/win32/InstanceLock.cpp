#include "platform/InstanceLock.h"

#include <windows.h>

// Two locks, both dropped by the system when the process ends however it ends:
// - a mutex named in the session's namespace: one Odovex per logged-on user session;
// - a lock file beside the statistics file, opened without sharing: one Odovex per data
//   directory, also across sessions (another user, a remote desktop). It is hidden and goes
//   when the last handle closes.
// One lock per process: the handles live here rather than in the object.

namespace {

constexpr wchar_t kMutexName[] = L"Local\\Odovex";
constexpr wchar_t kLockFileName[] = L"Odovex1.lock";

HANDLE g_mutex = nullptr;
HANDLE g_lockFile = INVALID_HANDLE_VALUE;

QString LastError() {
    return qt_error_string(int(GetLastError()));
}

} // namespace

InstanceLock::InstanceLock() {
    path_ = QString::fromWCharArray(kMutexName);
    g_mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (!g_mutex) {
        error_ = QStringLiteral("cannot create the mutex %1: %2").arg(path_, LastError());
        state_ = State::Unavailable;
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_mutex);
        g_mutex = nullptr;
        state_ = State::Busy;
        return;
    }
    path_ = QString::fromWCharArray(kLockFileName);
    g_lockFile = CreateFileW(kLockFileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (g_lockFile == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_SHARING_VIOLATION) {
            state_ = State::Busy;
            return;
        }
        // A read-only directory: the session's mutex still keeps this session to one run.
        error_ = QStringLiteral("cannot open %1: %2").arg(path_, LastError());
        state_ = State::Unavailable;
        return;
    }
    state_ = State::Held;
}

InstanceLock::~InstanceLock() {
    if (g_lockFile != INVALID_HANDLE_VALUE) {
        CloseHandle(g_lockFile);
        g_lockFile = INVALID_HANDLE_VALUE;
    }
    if (g_mutex) {
        CloseHandle(g_mutex);
        g_mutex = nullptr;
    }
}
