#include "platform/AutostartEntry.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class AutostartEntryFile : public testing::Test {
protected:
    void SetUp() override {
        qputenv("HOME", QFile::encodeName(temp.filePath(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));
        entry->path = QStringLiteral("/opt/odovex/odovex");
    }
    void TearDown() override {
        qputenv("HOME", home);
        qunsetenv("XDG_CONFIG_HOME");
    }
    static QByteArray Read(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }
    // Both programs come with the test dependencies.
    static int Run(const char* program, const QStringList& arguments) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(program));
        EXPECT_FALSE(found.isEmpty()) << program << " is not installed";
        return found.isEmpty() ? -1 : QProcess::execute(found, arguments);
    }

    const QByteArray home = qgetenv("HOME");
    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("config/autostart"));
    const QString file = folder + QStringLiteral("/Shortcut to Odovex.desktop");
    std::unique_ptr<AutostartEntry> entry = CreateAutostartEntry();
};

TEST_F(AutostartEntryFile, StartsTheRunningProgramInAppPathWrittenWholeMadeAnewAndRemoved) {
    // The running program (this test) lies elsewhere than AppPath.
    EXPECT_EQ(entry->program, QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    CaptureStderr();
    entry->create();
    EXPECT_EQ(Read(file), "[Desktop Entry]\nType=Application\nName=Odovex\nExec=\"" +
                              entry->program.toUtf8() + "\"\nPath=/opt/odovex\nIcon=odovex\n");
    entry->path = QStringLiteral("/srv/run/odovex");
    entry->create();
    EXPECT_TRUE(Read(file).contains("\nPath=/srv/run\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), // no temporary file left
              QStringList{QFileInfo(file).fileName()});
    entry->remove();
    EXPECT_FALSE(QFile::exists(file));
    entry->remove(); // nothing left to remove
    EXPECT_EQ(GetCapturedStderr(), "");

    // Without an absolute XDG_CONFIG_HOME the entry lies under ~/.config.
    const QString inHome =
        temp.filePath(QStringLiteral("home/.config/autostart/")) + QFileInfo(file).fileName();
    qunsetenv("XDG_CONFIG_HOME");
    entry->create();
    EXPECT_TRUE(QFile::exists(inHome));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    entry->remove();
    EXPECT_FALSE(QFile::exists(inHome));

    // Failures: one line on standard error each, nothing changed (a folder takes the name).
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir().mkpath(inHome + QStringLiteral("/keep")));
    for (const bool create : {true, false}) {
        CaptureStderr();
        create ? (void)entry->create() : entry->remove();
        const std::string told = GetCapturedStderr();
        EXPECT_TRUE(told.rfind("Odovex: ", 0) == 0 && told.find('\n') == told.size() - 1);
        EXPECT_EQ(QDir(inHome).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{"keep"});
        EXPECT_EQ(QDir(QFileInfo(inHome).path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }
    // Started in a directory whose name is not UTF-8, which AppPath's text does not name: said,
    // and no entry.
    ASSERT_TRUE(QDir(inHome).removeRecursively());
    const QByteArray odd = QFile::encodeName(temp.path()) + "/not \xff UTF-8";
    const QString here = QDir::currentPath();
    ASSERT_TRUE(mkdir(odd.constData(), 0700) == 0 && chdir(odd.constData()) == 0);
    entry->path = QDir::currentPath() + QStringLiteral("/odovex");
    const QString problem = entry->create();
    QDir::setCurrent(here);
    EXPECT_TRUE(problem.contains("not UTF-8")) << problem.toStdString();
    EXPECT_FALSE(QFile::exists(inHome));
}

TEST_F(AutostartEntryFile, IsValidAndStartsTheProgramInItsDirectoryWhateverThePathHolds) {
    const QString odd = QStringLiteral("a b%c$d`e\"f\\g'h ~|&;*?#()<>");
    for (const QString& name : {QStringLiteral("My Odovex"), odd, QStringLiteral("tab\there")}) {
        const QString dir = temp.filePath(name);
        QFile program(dir + QStringLiteral("/odovex")); // records where and as what it started
        ASSERT_TRUE(QDir().mkpath(dir) && program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\npwd >started.part; printf '%s\\n' \"$0\" >>started.part;"
                      " mv started.part started\n");
        program.close();
        program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
        entry->path = entry->program = program.fileName();
        entry->create();
        EXPECT_EQ(Run("desktop-file-validate", {file}), 0) << qPrintable(name);
        EXPECT_EQ(Run("gio", {QStringLiteral("launch"), file}), 0);
        const QString started = dir + QStringLiteral("/started");
        EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(started); }, 10000));
        EXPECT_EQ(Read(started), (dir + u'\n' + program.fileName() + u'\n').toUtf8());
    }
    entry->program = temp.filePath(odd + QStringLiteral("/odovex"));
    entry->create();
    EXPECT_TRUE(Read(file).contains("\nExec=env \"" + temp.path().toUtf8() +
                                    R"x(/a b%%c\\$d\\`e\\"f\\\\g'h ~|&;*?#()<>/odovex")x"));
}

} // namespace
