#pragma once

#include <QObject>

class QSocketNotifier;

// Catches SIGTERM, SIGINT and SIGHUP for as long as it lives. A screen-saver host stops its
// savers with signals, and the program must still restore a switched display mode, write
// its figures and leave the compositor cleanly then.
//
// The handler only notes the first signal and writes its number into a pipe (write is
// async-signal-safe); a waiting loop watches the pipe's read end beside its other
// descriptors, so that a signal ends any wait at once and all the real work runs in normal
// context. No signal is ever blocked. The handler is installed with SA_RESETHAND: should the
// loop be wedged, a second signal ends the process the default way. Without the toolkit.
class TerminationSignalCatch final {
public:
    TerminationSignalCatch();
    // Puts the default actions back.
    ~TerminationSignalCatch();
    TerminationSignalCatch(const TerminationSignalCatch&) = delete;
    TerminationSignalCatch& operator=(const TerminationSignalCatch&) = delete;

    // The signal that arrived, 0 while none has.
    int received() const { return arrived(); }
    // The same for code that holds no catch (0 also when none was ever made).
    static int arrived();
    // Readable once a signal has arrived; -1 when no pipe could be made.
    int descriptor() const;

    // Ends the process with the received signal's default action, so that whoever started it
    // sees it end by that signal; does nothing when no signal arrived.
    void reraise() const;

private:
    bool m_installed = false;
};

// The catch brought into the Qt event loop: the pipe is read through a socket notifier,
// which emits terminationRequested once.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);

    // Set by the handler itself, so it tells also before the event loop has run (a start that
    // must be given up) what arrived.
    int received() const { return m_catch.received(); }
    static int arrived() { return TerminationSignalCatch::arrived(); }
    void reraise() const { m_catch.reraise(); }

signals:
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    TerminationSignalCatch m_catch;
    bool m_emitted = false;
};
