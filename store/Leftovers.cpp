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
    const QFileInfo target(QFileInfo(name).canonicalFilePath());
    QStringList removed;
    if (target.filePath().isEmpty()) {
        return removed; // no file, so no save of it ran
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
