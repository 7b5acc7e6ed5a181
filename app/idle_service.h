#pragma once

#include "app/idle_rules.h"
#include "platform/idle_source.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QDBusServiceWatcher;
class QProcess;
class QSocketNotifier;

// The running idle service: waits on the idle source's connection, starts the saver (this
// program's "/s" on the same display) as a child when the rules say so, and keeps the
// inhibitors that clients take over the session bus. Nothing here polls: the source's
// descriptor, the child's end, the bus and single-shot timers wake it.
class IdleService final : public QObject {
    Q_OBJECT

public:
    // A fixed idle time (--after) holds for the whole run; 0 takes the stored minutes.
    IdleService(std::unique_ptr<IdleSource> source, int fixedIdleSeconds, bool wayland);
    ~IdleService() override;

    // Starts watching. False when the source cannot be watched.
    bool start();
    // Takes the stored choices again; a changed idle time restarts the watch.
    bool reload();
    // Watches the bus for clients that leave holding cookies.
    void attachBus(QDBusServiceWatcher* watcher);

    uint inhibit(const QString& owner, const QString& application, const QString& reason);
    void uninhibit(uint cookie, const QString& owner);
    void simulateActivity();
    bool saverRunning() const { return m_rules.saverRunning(); }
    QString statusText() const;

    // Ends a running saver; the service's own end.
    void stopSaver();

signals:
    void activeChanged(bool active);

private:
    void sourceChanged(bool idle);
    void clientLeft(const QString& owner);
    void restartWait();
    void consider();
    void startSaver();
    void saverFinished();
    void lockSession();
    void blankScreens();

    std::unique_ptr<IdleSource> m_source;
    int m_fixedIdleSeconds;
    int m_idleSeconds = 0;
    IdleChoices m_choices;
    bool m_wayland;
    IdleRules m_rules;
    InhibitorList m_inhibitors;
    QSocketNotifier* m_notifier = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    QProcess* m_saver = nullptr;
    QTimer m_freshWait; // a full idle period after the saver or the last inhibitor ended
    QTimer m_logindRecheck; // while the login manager holds an idle lock
    QTimer m_lock; // the session lock after the saver started
    QTimer m_blank; // the drawing saver gives way to black
    bool m_blanked = false; // the display server shows black in the saver's stead
};

// Runs --idle-service or --idle-status when the arguments after the program's name ask for
// one, and returns the exit status; -1 when they ask for neither.
int runIdleModeIfAsked(int argc, char** argv);
