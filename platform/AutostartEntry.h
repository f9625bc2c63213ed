#pragma once

#include <QString>
#include <memory>

// The start-with-login shortcut: named `title`, in the folder that `location` selects (2: the
// user's login start-up folder). It starts `program` in the directory of `path`, AppPath, where
// the statistics file lies. On Linux a freedesktop autostart entry.
class AutostartEntry {
public:
    virtual ~AutostartEntry() = default;
    // AppPath followed by the program's name.
    QString path;
    // The program file that the entry starts: the one that runs, by its real path, wherever it
    // lies (CreateAutostartEntry sets it).
    QString program;
    int location = 2;
    QString title = QStringLiteral("Shortcut to Odovex");

    // Each reports a failure on standard error and changes nothing else; the caller goes on.
    // create() returns the failure's line too, for the user, or an empty text once the entry is
    // in place.
    virtual QString create() = 0;
    virtual void remove() = 0;
};

// The entry of this platform (a freedesktop autostart file on Linux), starting the program file
// of the running process.
std::unique_ptr<AutostartEntry> CreateAutostartEntry();
