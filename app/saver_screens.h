#pragma once

#include "app/saver_window.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <vector>

class QScreen;
class QTimer;

// The saver over every screen: one TTheSaverForm, with its own renderer at its screen's size,
// per screen the toolkit reports, made and dropped as screens come and go. Closing any of
// them (input, a window manager) ends the program and with it all of them.
//
// Each renderer's RunFrames pumps the event queue between sprites, so a second saver's timer
// would run its renderer nested inside the first one's call, which with the saver's endless
// count would never hand back. With one screen the form's own timer drives it exactly as in a
// single-screen saver; with more, one timer here runs the renderers in turn in short bursts
// and refuses to be re-entered from inside a burst, so every screen gets an equal share.
class SaverScreens final : public QObject {
    Q_OBJECT

public:
    explicit SaverScreens(SaverInput input, QObject* parent = nullptr);
    ~SaverScreens() override;

    // Makes and shows a saver on every screen.
    void Show();
    // Closes every saver (from a termination signal); the loop ends.
    void CloseAll();

    std::size_t count() const { return m_forms.size(); }

private:
    void addScreen(QScreen* screen);
    void removeScreen(QScreen* screen);
    // After a screen came or went: the first saver's renderer makes the automatic changes for
    // all, and a renderer call still running with the old count hands back.
    void chooseDrive();
    void driveBursts();
    void dropRetired();

    struct Saver {
        QScreen* screen = nullptr; // as made: the toolkit may move the window before the screen goes
        std::unique_ptr<TTheSaverForm> form;
    };

    SaverInput m_input;
    std::vector<Saver> m_forms;
    // Forms of removed screens, kept until no renderer call can be on the stack.
    std::vector<Saver> m_retired;
    QTimer* m_timer = nullptr;
    bool m_driving = false;
    bool m_shown = false;
};
