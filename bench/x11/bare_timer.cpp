// The baseline of the X11 measurements: a 1 ms timer whose tick does nothing. By default the
// tick's own timer (CreateTickTimer); with --qt, Qt's 1 ms precise timer. Speaks as
// odovex_probe_harness does: "armed" after 500 ms, a report on SIGUSR1, and a last one on
// SIGTERM, counted from arming.
#include "platform/TickTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kArmAfterMs = 500;
int gSignalPipe[2] = {-1, -1};

void OnSignal(int signal) {
    const char byte = static_cast<char>(signal);
    (void)!::write(gSignalPipe[1], &byte, 1);
}

void Report(const QElapsedTimer& sinceArming, std::uint64_t ticks) {
    std::printf("seconds=%.3f\nticks=%llu\n--\n", sinceArming.nsecsElapsed() / 1e9,
                static_cast<unsigned long long>(ticks));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool qtTimer = argc > 1 && std::strcmp(argv[1], "--qt") == 0;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) {
        std::perror("socketpair");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    for (int signal : {SIGTERM, SIGINT, SIGUSR1}) {
        ::sigaction(signal, &action, nullptr);
    }
    std::uint64_t ticks = 0;
    std::uint64_t ticksAtArming = 0;
    QElapsedTimer sinceArming;
    QSocketNotifier signalNotifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&] {
        char signal = 0;
        if (::read(gSignalPipe[0], &signal, 1) == 1 && signal == SIGUSR1) {
            Report(sinceArming, ticks - ticksAtArming);
        } else {
            QCoreApplication::quit();
        }
    });

    QTimer::singleShot(kArmAfterMs, Qt::PreciseTimer, [&] {
        ticksAtArming = ticks;
        sinceArming.start();
        std::printf("armed\n");
        std::fflush(stdout);
    });

    QTimer precise;
    std::unique_ptr<TickTimer> timer;
    if (qtTimer) {
        precise.setTimerType(Qt::PreciseTimer);
        QObject::connect(&precise, &QTimer::timeout, [&] { ++ticks; });
        precise.start(1);
    } else {
        timer = CreateTickTimer();
        timer->start([&] { ++ticks; }, 1);
    }
    app.exec();
    Report(sinceArming, ticks - ticksAtArming);
    return 0;
}
