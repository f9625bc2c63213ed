#include "ReplaceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool IsTemporaryOf(const QString& candidate, const QString& name) {
    if (candidate.size() != name.size() + 1 + kTemporaryNameLetters ||
        !candidate.startsWith(name + u'.')) {
        return false;
    }
    for (const QChar c : QStringView(candidate).sliced(name.size() + 1)) {
        if (!(c >= u'a' && c <= u'z') && !(c >= u'A' && c <= u'Z') && !(c >= u'0' && c <= u'9')) {
            return false;
        }
    }
    return true;
}

} // namespace

QStringList RemoveLeftTemporaries(const QString& name, const QDateTime& before) {
    // A bare name stays relative, so that it is found whatever bytes the directory's name holds.
    const QFileInfo named(name);
    const QFileInfo target = named.isSymLink() ? QFileInfo(named.canonicalFilePath()) : named;
    QStringList removed;
    if (target.fileName().isEmpty()) {
        return removed; // a link to nothing
    }
    const QDir directory = target.dir();
    const QString file = target.fileName();
    const QStringList candidates =
        directory.entryList({file + QStringLiteral(".*")},
                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& candidate : candidates) {
        const QFileInfo info(directory.filePath(candidate));
        if (IsTemporaryOf(candidate, file) && info.lastModified() < before &&
            QFile::remove(info.filePath())) {
            removed += info.filePath();
        }
    }
    return removed;
}
