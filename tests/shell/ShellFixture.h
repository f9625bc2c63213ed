#pragma once

#include "platform/AutostartEntry.h"
#include "platform/Clock.h"
#include "platform/TickTimer.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDesktop.h"
#include "shell/frmOdovex.h"
#include "store/DateCheck.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Answers message boxes from a script (the default button once it runs out), keeping each box.
struct ScriptedBoxes : MessageBoxes {
    std::vector<MsgBoxSpec> shown;
    std::deque<MsgResult> answers;
    MsgResult MsgBox(const MsgBoxSpec& box) override {
        shown.push_back(box);
        const MsgResult answer = answers.empty() ? box.defaultButton : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
};

struct ManualTickTimer : TickTimer {
    std::function<void()> onTick;
    bool active = false;
    void start(std::function<void()> tick, int) override {
        onTick = std::move(tick);
        active = true;
    }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
};

struct CountingAutostart : AutostartEntry {
    int calls = 0;
    QString create() override {
        ++calls;
        return {};
    }
    void remove() override { ++calls; }
};

// When the tests' program starts.
inline const QDateTime kStartedAt{QDate(2026, 12, 6), QTime(14, 30, 5)};

// The statistics file's twelve lines, from a record's values; numbers get their spaces.
inline QByteArray FileBytes(QStringList lines, int count = 12) {
    for (int number : {0, 1, 2, 5, 6, 8, 9, 10}) {
        lines[number] = QStringLiteral(" %1 ").arg(lines[number]);
    }
    return (lines.mid(0, count).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}
inline QStringList Lines(QString clicksToday = "0", QString autoStart = "False", QString dimY = "9",
                         QString since = "Start", QString clicksTotal = "0") {
    // Today's date keeps the Today counters through start-up's day check.
    return {clicksToday, "3",  "0",  autoStart,
            "English",   "12", dimY, since,
            clicksTotal, "30", "0",  ShortDateText(kStartedAt.date())};
}

inline void ExpectBox(const MsgBoxSpec& box, const QString& prompt, const QString& title,
                      MsgButtons buttons = MsgButtons::OkOnly, MsgIcon icon = MsgIcon::None) {
    EXPECT_EQ(box.prompt, prompt);
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(box.defaultButton, buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok);
}

// A main window on a fake desktop, started in a temporary directory.
struct Shell {
    QTemporaryDir dir;
    StatsRecord record;
    FakeDesktop desktop;
    FakeClock clock{kStartedAt};
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

    QString path() const { return dir.filePath(QStringLiteral("Odovex1.dat")); }
    void write(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray bytes() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool start(const QStringList& lines = Lines()) {
        write(FileBytes(lines));
        const bool loaded = window->Form_Load();
        boxes.shown.clear();
        return loaded;
    }
    QString label(const char* name) const {
        window->showLabels();
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }
};
