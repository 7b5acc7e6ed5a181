#pragma once

#include <QObject>

class QSocketNotifier;

// Brings SIGTERM, SIGINT and SIGHUP into the Qt event loop. A screen-saver host stops its
// savers with signals, and the program must still restore a switched display mode then.
//
// The handler itself only writes the signal number into a pipe (write is async-signal-safe)
// and the event loop reads it through a socket notifier, so all the real work (ending the
// renderer, closing the windows, the display restore at the end of the entry point) runs
// in normal context. The handler is installed with SA_RESETHAND: should the event loop be
// wedged, a second signal ends the process the default way.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The signal that arrived, 0 while none has. Set by the handler itself, so it tells also
    // before the event loop has run (a start that must be given up) what arrived.
    int received() const { return arrived(); }
    // The same for code that holds no TerminationSignals (0 also when none was ever made).
    static int arrived();

    // Ends the process with the received signal's default action, so that whoever started it
    // sees it end by that signal; does nothing when no signal arrived.
    void reraise() const;

signals:
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    bool m_emitted = false;
};
