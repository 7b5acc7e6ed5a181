#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

class IdleService;

// The freedesktop screen-saver interface that players and browsers call to keep the saver off
// while they play, exported at both of its customary object paths. Cookies belong to the
// caller's unique bus name.
class ScreenSaverBus final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    explicit ScreenSaverBus(IdleService& service) : m_service(service) {}

public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);
    bool GetActive();
    void SimulateUserActivity();

signals:
    void ActiveChanged(bool active);

private:
    IdleService& m_service;
};

// The program's own interface of the running service, read by --idle-status.
class IdleStatusBus final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.opalrevel.IdleService")

public:
    explicit IdleStatusBus(IdleService& service) : m_service(service) {}

public slots:
    QString Status();
    // Ends the service, as the editor does when the user turns it off.
    void Quit();
    // Reads the stored choices again after the editor changed them.
    void Reload();

private:
    IdleService& m_service;
};

