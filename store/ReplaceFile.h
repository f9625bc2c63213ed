#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

// The store's file access, one implementation per platform (POSIX, Windows).

// Passes the bytes of the regular file at `path` to `feed`, in chunks of any size, until the file
// ends or `feed` returns false. Returns an empty string when the file could be read to that
// point, otherwise one line that names the path and what failed; a directory, a FIFO or a device
// in the file's place is a failure, and the open never waits.
QString ReadRegularFile(const QString& path, const std::function<bool(QByteArrayView)>& feed);

// Gives `directory`/`name` the contents `bytes` so that, whatever stops the write, the file holds
// either its old bytes or all the new ones: a temporary file beside it is written, synced and
// renamed over it, then the directory is synced. The file keeps its permission bits. Returns an
// empty string on success, otherwise what failed; after a failure before the rename the old file
// is untouched and the temporary file is gone.
QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes);
