#include "CommandLine.h"

#include "store/StatsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: odovex [--help | --version]\n"
    "Counts mouse travel, windows viewed and input clicks in the notification area.\n"
    "\n"
    "Odovex reads and saves its statistics file, Odovex1.dat, in the directory it is started\n"
    "from. Started elsewhere, the installed Odovex runs in its data directory,\n"
    "${XDG_DATA_HOME:-~/.local/share}/odovex, as the applications menu starts it.\n"
    "\n"
    "  --help     show this help and end\n"
    "  --version  show the version and end\n";

} // namespace

std::optional<int> HandleCommandLine(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Odovex %s\n", ODOVEX_VERSION);
        return 0;
    }
    std::fprintf(stderr, "odovex: unknown argument '%s'\n%s", argv[1], kUsage);
    return kUsageError;
}

std::string EnterDataDirectory() {
#ifdef ODOVEX_FRESH_RECORD
    const auto present = [](const QString& path) {
        const QFileInfo file(path); // a dangling link counts: nothing is written through it
        return file.exists() || file.isSymLink();
    };
    if (present(QLatin1String(kStatsFileName))) {
        return {};
    }
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    const QString fresh = QFileInfo(program).dir().filePath(QStringLiteral(ODOVEX_FRESH_RECORD));
    if (program.isEmpty() || !QFileInfo(fresh).isFile()) {
        return {}; // not installed
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the launcher ignores it.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data)) {
        const QString home = qEnvironmentVariable("HOME");
        if (!QDir::isAbsolutePath(home)) {
            return "HOME is not set";
        }
        data = home + QStringLiteral("/.local/share");
    }
    const QString dir = data + QStringLiteral("/odovex");
    const QString file = dir + u'/' + QLatin1String(kStatsFileName);
    // QFile::copy writes a temporary file and never replaces a file that another start made
    // meanwhile.
    if (!QDir().mkpath(dir) || (!present(file) && !QFile::copy(fresh, file) && !present(file))) {
        return "cannot make " + file.toStdString();
    }
    if (!QDir::setCurrent(dir)) {
        return "cannot change to " + dir.toStdString();
    }
#endif
    return {};
}
