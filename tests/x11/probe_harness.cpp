// The X11 probes and the engine ticking as in the program, without its windows: for the rig's
// tests and the measurements. Prints "armed" once the probe is armed (500 ms after start), a
// report when sent SIGUSR1, and a last report on SIGTERM or SIGINT before it exits 0. A report
// is key=value lines closed by "--". Counts of ticks and X requests start at arming. With
// --rest the tick runs through the program's TickDriver and rests while the desktop is idle. With
// --screen-events-only the screen is measured when the desktop reports a change, never by timer.
// Lines "begin ID", "update ID", "end ID" on standard input feed the backend raw touch events as
// the server would deliver them: the rig's server has no touch device.
#include "engine/SampleTick.h"
#include "platform/DesktopBackend.h"
#include "platform/TickTimer.h"
#include "platform/x11/X11Desktop.h"
#include "shell/TickDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

// After Qt, whose names Xlib's macros (None, Bool...) would hit.
#include <X11/extensions/XInput2.h>

namespace {

constexpr int kArmAfterMs = 500;
constexpr int kMeasureScreenEveryMs = 5000;
constexpr int kTouchDevice = 11;

int gSignalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const char byte = static_cast<char>(signal);
    (void)!::write(gSignalPipe[1], &byte, 1);
}

struct Counters {
    std::uint64_t ticks = 0;
    std::uint64_t rests = 0;   // times the resting tick stopped its timer
    std::uint64_t mayRest = 0; // ticks that changed nothing and after which the tick could rest
    std::uint64_t requestsAtArming = 0;
    std::uint64_t roundTripsAtArming = 0;
    std::uint64_t ticksAtArming = 0;
    QElapsedTimer sinceArming;
};

void Report(const StatsRecord& r, X11Desktop& desktop, const Counters& c, bool lost) {
    const double seconds = c.sinceArming.isValid() ? c.sinceArming.nsecsElapsed() / 1e9 : 0.0;
    std::printf("clicks=%lld\nwindows=%lld\ntravel_inches=%.4f\nwindow=%u\n"
                "seconds=%.3f\nticks=%llu\nticks_may_rest=%llu\nx_requests=%llu\n"
                "x_round_trips=%llu\nx_errors=%llu\nx_lost=%d\nrests=%llu\nscreen_pixels=%dx%d\n"
                "monitors=%d\ncursor=%d,%d\n--\n",
                static_cast<long long>(r.ClicksToday.raw() / Currency::kScale + r.PendingClicks),
                static_cast<long long>(r.WindowsToday.raw() / Currency::kScale),
                r.TravelToday.toDouble(), r.LastWindow, seconds,
                static_cast<unsigned long long>(c.ticks - c.ticksAtArming),
                static_cast<unsigned long long>(c.mayRest),
                static_cast<unsigned long long>(desktop.requestsSent() - c.requestsAtArming),
                static_cast<unsigned long long>(desktop.roundTrips() - c.roundTripsAtArming),
                static_cast<unsigned long long>(desktop.errors()), lost ? 1 : 0,
                static_cast<unsigned long long>(c.rests), r.ScreenPixelsX, r.ScreenPixelsY,
                desktop.monitorCount(), r.PrevCursorX, r.PrevCursorY);
    std::fflush(stdout);
}

// Counts the ticks another timer delivers.
class CountingTimer : public TickTimer {
public:
    CountingTimer(std::unique_ptr<TickTimer> timer, std::uint64_t& ticks, std::uint64_t& rests)
        : timer_(std::move(timer)), ticks_(ticks), rests_(rests) {}
    void start(std::function<void()> onTick) override {
        timer_->start([this, onTick = std::move(onTick)] {
            ++ticks_;
            onTick();
        });
    }
    void stop() override {
        ++rests_;
        timer_->stop();
    }
    bool isActive() const override { return timer_->isActive(); }

private:
    std::unique_ptr<TickTimer> timer_;
    std::uint64_t& ticks_;
    std::uint64_t& rests_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
        std::perror("socketpair");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGUSR1}) {
        ::sigaction(signal, &action, nullptr);
    }

    QString error;
    std::unique_ptr<DesktopProbe> probe = CreateDesktopProbe(&error);
    if (!probe) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    auto& desktop = dynamic_cast<X11Desktop&>(*probe);
    bool lost = false;
    desktop.setLostHandler([&] {
        lost = true;
        QCoreApplication::quit();
    });

    StatsRecord record;
    record.Units = QStringLiteral("English");
    record.ScreenDimX = *Currency::fromInt(12);
    record.ScreenDimY = *Currency::fromInt(9);
    MeasureScreen(record, desktop.screen());
    MainLabels labels;
    SampleTick tick(record, desktop, labels);
    Counters counters;

    QTimer screenTimer;
    screenTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&screenTimer, &QTimer::timeout,
                     [&] { MeasureScreen(record, desktop.screen()); });
    if (!QCoreApplication::arguments().contains(QStringLiteral("--screen-events-only"))) {
        screenTimer.start(kMeasureScreenEveryMs);
    }
    desktop.setScreenHandler([&] { MeasureScreen(record, desktop.screen()); });
    QTimer::singleShot(kArmAfterMs, Qt::PreciseTimer, [&] {
        Timer3_Timer(record);
        counters.requestsAtArming = desktop.requestsSent();
        counters.roundTripsAtArming = desktop.roundTrips();
        counters.ticksAtArming = counters.ticks;
        counters.mayRest = 0;
        counters.sinceArming.start();
        std::printf("armed\n");
        std::fflush(stdout);
    });

    QSocketNotifier touches(STDIN_FILENO, QSocketNotifier::Read);
    std::string lines;
    QObject::connect(&touches, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            touches.setEnabled(false);
            return;
        }
        lines.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t end; (end = lines.find('\n')) != std::string::npos;
             lines.erase(0, end + 1)) {
            char what[8] = {};
            int id = 0;
            if (std::sscanf(lines.c_str(), "%7s %d", what, &id) == 2) {
                const int type = what[0] == 'b'   ? XI_RawTouchBegin
                                 : what[0] == 'u' ? XI_RawTouchUpdate
                                                  : XI_RawTouchEnd;
                desktop.handleRaw(type, kTouchDevice, id, nullptr, 0);
            }
        }
    });

    QSocketNotifier signalNotifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char signal = 0;
        if (::read(gSignalPipe[0], &signal, 1) == 1 && signal == SIGUSR1) {
            Report(record, desktop, counters, lost);
        } else {
            QCoreApplication::quit();
        }
    });

    std::unique_ptr<TickTimer> timer = CreateTickTimer();
    std::unique_ptr<TickDriver> driver;
    if (QCoreApplication::arguments().contains(QStringLiteral("--rest"))) {
        driver = std::make_unique<TickDriver>(
            tick, desktop,
            std::make_unique<CountingTimer>(std::move(timer), counters.ticks, counters.rests));
        driver->start();
    } else {
        timer->start([&] {
            ++counters.ticks;
            if (!tick() && desktop.mayRest()) {
                ++counters.mayRest;
            }
        });
    }
    const int code = app.exec();
    if (driver) {
        driver->stop();
    } else {
        timer->stop();
    }
    Report(record, desktop, counters, lost);
    return code == 0 || lost ? 0 : code;
}
