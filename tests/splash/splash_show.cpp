// Shows one window the way the program does and prints its X window id: "splash" shows the splash
// and enables its Timer1, then runs until it is killed, as the splash stays loaded when hidden;
// "about" shows the About box and ends on its OK or its close.
#include "splash/frmAbout.h"
#include "splash/frmSplash.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

void Announce(QWidget& window) {
    std::printf("0x%llx\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (argc == 2 && std::strcmp(argv[1], "splash") == 0) {
        frmSplash splash;
        splash.show();
        splash.Timer1.start();
        Announce(splash);
        return app.exec();
    }
    if (argc == 2 && std::strcmp(argv[1], "about") == 0) {
        auto* about = new frmAbout;
        QObject::connect(about, &frmAbout::showMainWindow, &app, &QApplication::quit);
        QObject::connect(about, &QObject::destroyed, &app, &QApplication::quit);
        about->show();
        Announce(*about);
        return app.exec();
    }
    std::fprintf(stderr, "usage: %s splash|about\n", argv[0]);
    return 2;
}
