// The X11 probes and the engine ticking as in the program, without its windows: for the rig's
// tests and the measurements. Prints "armed" once the probe is armed (500 ms after start), a
// report when sent SIGUSR1, and a last report on SIGTERM or SIGINT before it exits 0. A report
// is key=value lines closed by "--". Counts of ticks and X requests start at arming. With
// --rest the tick runs through the program's TickDriver and rests while the desktop is idle.
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
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kArmAfterMs = 500;
constexpr int kMeasureScreenEveryMs = 5000;

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
                "x_round_trips=%llu\nx_errors=%llu\nx_lost=%d\nrests=%llu\n--\n",
                static_cast<long long>(r.ClicksToday.raw() / Currency::kScale + r.PendingClicks),
                static_cast<long long>(r.WindowsToday.raw() / Currency::kScale),
                r.TravelToday.toDouble(), r.LastWindow, seconds,
                static_cast<unsigned long long>(c.ticks - c.ticksAtArming),
                static_cast<unsigned long long>(c.mayRest),
                static_cast<unsigned long long>(desktop.requestsSent() - c.requestsAtArming),
                static_cast<unsigned long long>(desktop.roundTrips() - c.roundTripsAtArming),
                static_cast<unsigned long long>(desktop.errors()), lost ? 1 : 0,
                static_cast<unsigned long long>(c.rests));
    std::fflush(stdout);
}

// Counts the ticks another timer delivers.
class CountingTimer : public TickTimer {
public:
    CountingTimer(std::unique_ptr<TickTimer> timer, std::uint64_t& ticks, std::uint64_t& rests)
        : timer_(std::move(timer)), ticks_(ticks), rests_(rests) {}
    void start(std::function<void()> onTick, int periodMs) override {
        timer_->start(
            [this, onTick = std::move(onTick)] {
                ++ticks_;
                onTick();
            },
            periodMs);
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
    screenTimer.start(kMeasureScreenEveryMs);
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
        timer->start(
            [&] {
                ++counters.ticks;
                if (!tick() && desktop.mayRest()) {
                    ++counters.mayRest;
                }
            },
            1);
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
