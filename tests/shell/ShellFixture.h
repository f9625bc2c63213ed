#pragma once

#include "platform/AutostartEntry.h"
#include "platform/Clock.h"
#include "platform/TickTimer.h"
#include "platform/fake/FakeDesktop.h"
#include "shell/frmOdovex.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <vector>

// Answers message boxes from a script (the default button once the script runs out) and
// keeps every box shown.
struct ScriptedBoxes : MessageBoxes {
    std::vector<MsgBoxSpec> shown;
    std::deque<MsgResult> answers;
    MsgResult MsgBox(const MsgBoxSpec& box) override {
        shown.push_back(box);
        if (answers.empty()) {
            return box.defaultButton;
        }
        const MsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A tick timer driven by hand.
struct ManualTickTimer : TickTimer {
    std::function<void()> onTick;
    bool active = false;
    void start(std::function<void()> tick) override {
        onTick = std::move(tick);
        active = true;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    void fire() {
        if (active) {
            onTick();
        }
    }
};

struct CountingAutostart : AutostartEntry {
    int creates = 0;
    int removes = 0;
    void create() override { ++creates; }
    void remove() override { ++removes; }
};

struct FixedClock : Clock {
    QDateTime moment{QDate(2026, 12, 6), QTime(14, 30, 5)};
    QDateTime now() const override { return moment; }
};

// The twelve lines of a statistics file, CR LF after each.
struct FileLines {
    QString clicksToday = QStringLiteral("0");
    QString windowsToday = QStringLiteral("0");
    QString travelToday = QStringLiteral("0");
    QString autoStart = QStringLiteral("False");
    QString units = QStringLiteral("English");
    QString dimX = QStringLiteral("12");
    QString dimY = QStringLiteral("9");
    QString since = QStringLiteral("Start");
    QString clicksTotal = QStringLiteral("0");
    QString windowsTotal = QStringLiteral("0");
    QString travelTotal = QStringLiteral("0");
    QString lastDate;

    QByteArray bytes(int lineCount = 12) const {
        auto number = [](const QString& n) {
            return QStringLiteral(" %1 ").arg(n);
        };
        const QStringList lines{number(clicksToday),
                                number(windowsToday),
                                number(travelToday),
                                autoStart,
                                units,
                                number(dimX),
                                number(dimY),
                                since,
                                number(clicksTotal),
                                number(windowsTotal),
                                number(travelTotal),
                                lastDate};
        QByteArray out;
        for (int i = 0; i < lineCount; ++i) {
            out += lines[i].toUtf8() + "\r\n";
        }
        return out;
    }
};

// A main window on a fake desktop, started in a temporary directory.
struct Shell {
    QTemporaryDir dir;
    StatsRecord record;
    FakeDesktop desktop;
    FixedClock clock;
    ScriptedBoxes boxes;
    CountingAutostart autostart;
    ManualTickTimer* tick = nullptr;
    bool instanceFree = true;
    bool tray = true;
    std::vector<int> ends;
    std::unique_ptr<frmOdovex> window;

    Shell() {
        QDir::setCurrent(dir.path());
        auto timer = std::make_unique<ManualTickTimer>();
        tick = timer.get();
        window = std::make_unique<frmOdovex>(ShellServices{
            .record = record,
            .desktop = desktop,
            .clock = clock,
            .messages = boxes,
            .autostart = autostart,
            .tickTimer = std::move(timer),
            .claimInstance = [this] { return instanceFree; },
            .end = [this](int code) { ends.push_back(code); },
            .trayAvailable = [this] { return tray; },
        });
    }
    ~Shell() { QDir::setCurrent(QDir::tempPath()); }

    QString filePath() const { return dir.filePath(QStringLiteral("Odovex1.dat")); }
    void writeFile(const QByteArray& bytes) const {
        QFile file(filePath());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QByteArray fileBytes() const {
        QFile file(filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool start(const FileLines& lines = {}) {
        writeFile(lines.bytes());
        return window->Form_Load();
    }
    QString label(const char* name) const {
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }
};
