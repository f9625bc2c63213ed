#include "platform/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <climits>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// $XDG_CONFIG_HOME/autostart; a relative XDG_CONFIG_HOME is invalid and ignored.
QString AutostartFolder() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString config = QDir::isAbsolutePath(configured)
                               ? configured
                               : QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

// A value of type string: backslash and the control characters that have an escape.
QString EscapeValue(const QString& value) {
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// One Exec argument, quoted in whole: inside the quotes the double quote, backtick, dollar sign
// and backslash take a backslash. A percent sign is doubled, since launchers expand field codes
// after undoing the quotes.
QString ExecArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
        if (c == u'%') {
            quoted += u'%';
        }
    }
    return quoted + u'"';
}

// The entry starts `program` in `directory`.
QByteArray EntryText(const QString& program, const QString& directory) {
    QString exec = ExecArgument(program);
    // GLib, KIO and systemd's autostart generator look the program up before they expand %%,
    // and would find no such file: a program whose path holds a percent sign starts through
    // env, which takes the path as an ordinary argument.
    if (program.contains(u'%')) {
        exec.prepend(QStringLiteral("env "));
    }
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Odovex\n"
                                        "Exec=%1\n"
                                        "Path=%2\n"
                                        "Icon=odovex\n")
                             .arg(EscapeValue(exec), EscapeValue(directory));
    return text.toUtf8();
}

// One line on standard error, whatever the file name holds; returns it.
QString Report(QString message) {
    message.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "Odovex: %s\n", qUtf8Printable(message));
    return message;
}

// True when `directory` is the current directory's name decoded from bytes that are not UTF-8:
// an entry's Path= holds UTF-8 text and would name another directory.
bool NamesCurrentDirectoryLossily(const QString& directory) {
    QByteArray current(PATH_MAX, Qt::Uninitialized);
    if (getcwd(current.data(), current.size()) == nullptr) {
        return false;
    }
    current.truncate(qstrlen(current.constData()));
    const bool utf8 = QString::fromUtf8(current).toUtf8() == current;
    return !utf8 && QFile::decodeName(current) == directory;
}

// The program file of this process, by its real path. One replaced while it runs (an upgrade)
// reads as "<path> (deleted)": the file now at that path is the one to start at login.
QString RunningProgramFile() {
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = readlink("/proc/self/exe", target.data(), PATH_MAX);
    if (length <= 0 || length == PATH_MAX) {
        return {};
    }
    target.truncate(length);
    constexpr QByteArrayView kDeleted = " (deleted)";
    if (target.endsWith(kDeleted) && access(target.constData(), F_OK) != 0) {
        target.chop(kDeleted.size());
    }
    return QFile::decodeName(target);
}

// A freedesktop autostart entry for the user's login: the desktop starts `program` in the
// directory of `path`, where the statistics file lies.
class DesktopAutostartEntry : public AutostartEntry {
public:
    QString create() override {
        const QString directory = QFileInfo(path).absolutePath();
        if (NamesCurrentDirectoryLossily(directory)) {
            return Report(QStringLiteral("AutoStart cannot start Odovex in %1: the directory's "
                                         "name is not UTF-8 text, which a login entry needs. "
                                         "Move Odovex1.dat to a directory with such a name.")
                              .arg(directory));
        }
        const QString folder = AutostartFolder();
        if (!QDir().mkpath(folder)) {
            return Report(QStringLiteral("cannot create the autostart folder %1").arg(folder));
        }
        if (program.isEmpty()) {
            return Report(QStringLiteral("cannot make the autostart entry: the running program's "
                                         "file is unknown"));
        }
        // Written whole or not at all: a temporary file renamed over the entry.
        QSaveFile file(EntryFile(folder));
        const QByteArray text = EntryText(program, directory);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
            return Report(QStringLiteral("cannot write the autostart entry %1: %2")
                              .arg(file.fileName(), file.errorString()));
        }
        return {};
    }

    // An entry that is not there is already removed.
    void remove() override {
        QFile file(EntryFile(AutostartFolder()));
        if (file.exists() && !file.remove()) {
            Report(QStringLiteral("cannot remove the autostart entry %1: %2")
                       .arg(file.fileName(), file.errorString()));
        }
    }

private:
    QString EntryFile(const QString& folder) const {
        return folder + u'/' + title + QStringLiteral(".desktop");
    }
};

} // namespace

std::unique_ptr<AutostartEntry> CreateAutostartEntry() {
    auto entry = std::make_unique<DesktopAutostartEntry>();
    entry->program = RunningProgramFile();
    return entry;
}
