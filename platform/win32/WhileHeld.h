#pragma once

#include <windows.h>

// Another program may hold a file open for a moment without sharing it (a backup, a
// synchronising folder, a virus scanner, the shell showing the folder): a change that it blocks
// is tried again for about half a second. `step` answers true when done, otherwise leaves its
// error in GetLastError(), which stays set when this gives up.
template <typename Step> bool RetriedWhileHeld(Step step) {
    constexpr int kTries = 10;
    constexpr DWORD kPauseMs = 50;
    for (int tries = 1;; ++tries) {
        if (step()) {
            return true;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
             error != ERROR_LOCK_VIOLATION) ||
            tries == kTries) {
            return false;
        }
        Sleep(kPauseMs);
    }
}
