#pragma once

#include <QString>
#include <memory>

// The start-with-login shortcut: named `title`, starting the program at `path` in the folder
// that `location` selects (2: the user's login start-up folder). On Linux a freedesktop
// autostart entry.
class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    QString path;
    int location = 2;
    QString title = QStringLiteral("Shortcut to Odovex");

    // Each reports a failure on standard error and changes nothing else; the caller goes on.
    virtual void create() = 0;
    virtual void remove() = 0;
};

// The entry of this platform (a freedesktop autostart file on Linux).
std::unique_ptr<AutostartEntry> CreateAutostartEntry();
