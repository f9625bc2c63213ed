#pragma once

#include <QByteArrayView>
#include <QString>

// Gives `directory`/`name` the contents `bytes` so that, whatever stops the write, the file holds
// either its old bytes or all the new ones: a temporary file beside it is written, synced and
// renamed over it, then the directory is synced. The file keeps its permission bits. Returns an
// empty string on success, otherwise what failed; after a failure before the rename the old file
// is untouched and the temporary file is gone. POSIX only.
QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes);
