// The program: answers --help and --version, checks for a display, finds its directory, builds
// the main window on the real desktop and runs it until Quit or the desktop ends it.
#include "CommandLine.h"
#include "QtMessageBoxes.h"
#include "TerminationSignals.h"
#include "frmOdovex.h"
#include "platform/AutostartEntry.h"
#include "platform/Clock.h"
#include "platform/DesktopBackend.h"
#include "platform/DisplayCheck.h"
#include "platform/InstanceLock.h"
#include "platform/TickTimer.h"
#include "store/StatsFile.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The main window while a final save may still be due; cleared once the window is gone.
frmOdovex* g_mainWindow = nullptr;

// Ends the process at once: no handler, destructor or exit hook of the system runs after it.
[[noreturn]] void EndProcess(int code) {
    std::fflush(nullptr);
#ifdef _WIN32
    // _Exit is ExitProcess there, which still runs every DLL's detach handler, and with them the
    // static destructors of Qt's DLLs.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
#endif
    std::_Exit(code);
}

// Under Wayland the X server is XWayland, which shows Odovex only X11 applications.
bool WaylandSession() {
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Qt's xcb plugin calls exit() when its X connection breaks; the run is saved here.
void SaveAtExit() {
    if (frmOdovex* window = std::exchange(g_mainWindow, nullptr)) {
        window->UnloadAtExit();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> code = HandleCommandLine(argc, argv)) {
        return *code;
    }
    if (const std::string problem = NoDisplayMessage(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    // Before anything takes the current directory as the statistics file's.
    if (const std::string problem = EnterDataDirectory(); !problem.empty()) {
        std::fprintf(stderr, "Odovex: %s\n", problem.c_str());
    }
    const bool wayland = WaylandSession();
    if (wayland && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        // Odovex's own windows are X11 windows too, like those it counts, and stay where it
        // places them.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
    // Closing the last visible window (the About box, say) must not end a tray program.
    QApplication::setQuitOnLastWindowClosed(false);
    TerminationSignals terminations;
    QtMessageBoxes messages;

    QString problem;
    const std::unique_ptr<DesktopProbe> desktop = CreateDesktopProbe(&problem);
    if (!desktop) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        messages.MsgBox({problem, QStringLiteral("Odovex"), MsgButtons::OkOnly, MsgIcon::Critical});
        return 1;
    }
    SystemClock clock;
    const std::unique_ptr<AutostartEntry> autostart = CreateAutostartEntry();
    std::unique_ptr<InstanceLock> userLock;
    std::unique_ptr<InstanceLock> fileLock;

    frmOdovex window(ShellServices{
        .record = Stats(),
        .desktop = *desktop,
        .clock = clock,
        .messages = messages,
        .autostart = *autostart,
        .tickTimer = CreateTickTimer(),
        // One Odovex per user, and one per statistics file whatever the environment of a start
        // (a start without XDG_RUNTIME_DIR looks for the user's lock in another place).
        .claimInstance =
            [&userLock, &fileLock] {
                userLock = std::make_unique<InstanceLock>();
                if (userLock->state() == InstanceLock::State::Busy) {
                    return false;
                }
                fileLock = std::make_unique<InstanceLock>(QLatin1String(kStatsFileName));
                for (const InstanceLock* lock : {userLock.get(), fileLock.get()}) {
                    if (!lock->error().isEmpty()) {
                        std::fprintf(stderr,
                                     "Odovex: cannot tell whether Odovex already runs (%s)\n",
                                     qPrintable(lock->error()));
                    }
                }
                return fileLock->state() != InstanceLock::State::Busy;
            },
        .end = EndProcess,
        .waylandSession = wayland,
    });
    g_mainWindow = &window;
    std::atexit(SaveAtExit);

    // The X11 probes outlive their broken connection and report it on the loop; Qt's own
    // connection calls exit() instead, which SaveAtExit covers.
    desktop->setLostHandler([&window] {
        window.UnloadAtExit();
        EndProcess(1);
    });
    QObject::connect(&terminations, &TerminationSignals::received, &window,
                     [&window] { EndProcess(window.Form_Unload() ? 0 : 1); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager& manager) {
                         // Login starts Odovex through its autostart entry, not session restore.
                         manager.setRestartHint(QSessionManager::RestartNever);
                         window.SessionSave();
                     });
    bool finalSaveFailed = false;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window, &finalSaveFailed] { finalSaveFailed = !window.Form_Unload(); });

    if (!window.Form_Load()) {
        return 1;
    }
    const int code = QApplication::exec();
    g_mainWindow = nullptr;
    return finalSaveFailed ? 1 : code;
}
