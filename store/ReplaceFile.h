#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// The store's file access, one implementation per platform (POSIX, Windows).

// Passes the bytes of the regular file at `path` to `feed`, in chunks of any size, until the file
// ends or `feed` returns false. Returns an empty string when the file could be read to that
// point, otherwise one line that names the path and what failed; a directory, a FIFO or a device
// in the file's place is a failure, and the open never waits.
QString ReadRegularFile(const QString& path, const std::function<bool(QByteArrayView)>& feed);

// Gives `directory`/`name` the contents `bytes` so that, whatever stops the write, the file holds
// either its old bytes or all the new ones: a temporary file of a name no other save uses is
// written beside it, synced and renamed over it, then the directory is synced. An empty
// `directory` is the current directory, so the file goes by its bare name whatever bytes the
// directory's own name holds. A link stays a link: the file it names, after every link, is the
// one replaced (or made, when it is missing), with the temporary file beside it. The file keeps
// its permission bits.
//
// Returns an empty string once the new file is in place, otherwise what failed: then the old file
// is untouched and the temporary file is gone. A directory that cannot be synced after the rename
// does not fail the save (the new file is in place): it is one warning line on standard error.
// On Windows the new file has the permissions its folder gives new files, a link is replaced
// itself, and there is no directory to sync.
QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes);

// Letters after the file's name and a full stop in the name of a save's temporary file.
inline constexpr int kTemporaryNameLetters = 6;

// Removes the temporary files that saves of `name` (relative to the current directory; beside
// the file a link names) left when they were stopped midway, by a kill or a power failure: the
// regular files named as the file, a full stop and six letters or digits, last changed before
// `before`. Returns the names removed, for a line on standard error; nothing else is touched.
QStringList RemoveLeftTemporaries(const QString& name, const QDateTime& before);
