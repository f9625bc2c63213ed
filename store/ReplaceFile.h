#pragma once

#include <QByteArrayView>
#include <QString>

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
// POSIX only.
QString ReplaceFileContents(const QString& directory, const QString& name, QByteArrayView bytes);
