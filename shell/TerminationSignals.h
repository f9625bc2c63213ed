#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, delivered on the event loop. The handler itself only writes the
// signal's number to a pipe (async-signal-safe); `received` is emitted from the loop, where the
// final save may run. One instance per process. On Windows the session's end (log-off,
// shut-down) instead, emitted while the session still waits for the save.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signal);

private:
    void drain();
    QSocketNotifier* notifier_ = nullptr;
};
