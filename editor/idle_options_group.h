#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QSpinBox;
class SphereButton;

// The Options page's group for the idle service: "Start after N minutes" turns the service on
// (an XDG autostart entry for the next logins, and the service started now) or off (the entry
// removed, the running service ended); the battery choice, "blank after" and "lock after" are
// stored in the key store and handed to a running service at once.
class IdleOptionsGroup final : public QWidget {
    Q_OBJECT

public:
    // `program`: the full path of this program, which the entry and the service start run.
    IdleOptionsGroup(QWidget* parent, QString program);

    static constexpr int kHeight = 76;

private:
    void turn(bool on);
    void storeChoices();
    // Asks the running service over the session bus to "Quit" or "Reload".
    void tellService(const char* method);

    QString m_program;
    SphereButton* m_enableBox = nullptr;
    QSpinBox* m_minutesBox = nullptr;
    QComboBox* m_batteryChoice = nullptr;
    QSpinBox* m_blankBox = nullptr;
    QSpinBox* m_lockBox = nullptr;
};
